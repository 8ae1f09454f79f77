#include "platform/WinCase.h"

void winUpperInto(QStringView text, QChar* dst)
{
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c.unicode() < 0x80) {
            const char16_t u = c.unicode();
            dst[i] = QChar(u >= 'a' && u <= 'z' ? char16_t(u - 32) : u);
        } else if (c.isHighSurrogate() && i + 1 < n && text[i + 1].isLowSurrogate()) {
            const char32_t up = QChar::toUpper(QChar::surrogateToUcs4(c, text[i + 1]));
            if (QChar::requiresSurrogates(up)) {
                dst[i] = QChar(QChar::highSurrogate(up));
                dst[i + 1] = QChar(QChar::lowSurrogate(up));
            } else {
                dst[i] = text[i];
                dst[i + 1] = text[i + 1];
            }
            ++i;
        } else {
            // simple mapping only: one character stays one character ("ß" stays "ß")
            dst[i] = c.toUpper();
        }
    }
}

QString winUpper(QStringView text)
{
    QString out(text.size(), Qt::Uninitialized);
    winUpperInto(text, out.data());
    return out;
}

bool winEqualsNoCase(QStringView a, QStringView b)
{
    return a.size() == b.size() && winUpper(a) == winUpper(b);
}

int winCompareNoCase(QStringView a, QStringView b)
{
    const QString ua = winUpper(a);
    const QString ub = winUpper(b);
    const qsizetype n = std::min(ua.size(), ub.size());
    for (qsizetype i = 0; i < n; ++i) {
        if (ua[i] != ub[i])
            return ua[i].unicode() < ub[i].unicode() ? -1 : 1;
    }
    return ua.size() == ub.size() ? 0 : (ua.size() < ub.size() ? -1 : 1);
}
