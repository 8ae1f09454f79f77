#include "search/ReplaceText.h"

#include "platform/WinCase.h"

QString ReplaceText(const QString& text, const QString& find, const QString& replacement, DWORD compareFlags)
{
    if (text.isEmpty() || find.isEmpty())
        return text;
    const bool caseSensitive = (compareFlags & ReplaceCompare::CaseSensitive) != 0;
    // winUpper maps one character to one, so positions in the comparison form are positions in text.
    const auto form = [caseSensitive](const QString& s) { return caseSensitive ? s : winUpper(s); };
    const QString findForm = form(find);
    if ((compareFlags & ReplaceCompare::Substring) == 0)
        return form(text) == findForm ? replacement : text;

    QString result;
    const QString textForm = form(text);
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = textForm.indexOf(findForm, from);
        if (at < 0)
            break;
        result += QStringView(text).mid(from, at - from);
        result += replacement;
        from = at + findForm.size();
        if ((compareFlags & ReplaceCompare::FirstOnly) != 0)
            break;
    }
    result += QStringView(text).mid(from);
    return result;
}

std::optional<DWORD> ReducedDWord(const QString& text)
{
    QString digits;
    QChar sign;
    for (const QChar c : text) {
        const QChar u = c.toUpper();
        if (u.isDigit() && u.unicode() < 0x80)
            digits += u;
        else if (u >= QLatin1Char('A') && u <= QLatin1Char('F'))
            digits += u;
        else if (digits.isEmpty() && sign.isNull() && (c == u'$' || c == u'+' || c == u'-'))
            sign = c;
    }
    if (digits.isEmpty())
        return DWORD(0);
    bool ok = false;
    if (sign == u'$') {
        const qulonglong v = digits.toULongLong(&ok, 16);
        return ok && v <= 0xFFFFFFFFull ? std::optional<DWORD>(DWORD(v)) : std::nullopt;
    }
    const qlonglong v = digits.toLongLong(&ok, 10);
    if (!ok || v > 0xFFFFFFFFll)
        return std::nullopt;
    if (sign == u'-') {
        // a negative number is stored as its 32-bit two's complement
        return v <= 0x80000000ll ? std::optional<DWORD>(DWORD(-v)) : std::nullopt;
    }
    return DWORD(v);
}
