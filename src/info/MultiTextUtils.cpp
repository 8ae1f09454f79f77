#include "info/MultiTextUtils.h"

#include <algorithm>
#include <array>
#include <utility>

namespace {

QString reduceRun(QString run)
{
    // Any run of several "<" becomes one.
    while (run.contains(QLatin1String("<<")))
        run.replace(QLatin1String("<<"), QLatin1String("<"));
    return run;
}

QString trimTag(QStringView tag)
{
    qsizetype from = 0;
    qsizetype to = tag.size();
    while (from < to && tag[from].unicode() < 33)
        ++from;
    while (to > from && tag[to - 1].unicode() < 33)
        --to;
    return tag.mid(from, to - from).toString().toUpper();
}

} // namespace

QList<MarkupToken> ScanMarkup(QStringView text)
{
    QList<MarkupToken> tokens;
    qsizetype runStart = 0;
    qsizetype p = 0;
    const auto addRun = [&](qsizetype end) {
        if (end > runStart)
            tokens.append({false, reduceRun(text.mid(runStart, end - runStart).toString())});
    };
    while (p < text.size()) {
        const qsizetype open = text.indexOf(u'<', p);
        if (open < 0)
            break;
        if (open + 1 < text.size() && text[open + 1] == u'<') {
            p = open + 2;
            continue;
        }
        addRun(open);
        qsizetype close = text.indexOf(u'>', open + 1);
        if (close < 0)
            close = text.size();
        tokens.append({true, trimTag(text.mid(open + 1, close - open - 1))});
        p = runStart = std::min(close + 1, text.size());
    }
    addRun(text.size());
    return tokens;
}

QString MarkupTagValue(const QString& tag)
{
    const qsizetype eq = tag.indexOf(u'=');
    return eq < 0 ? QString() : tag.mid(eq + 1);
}

int MarkupIntValue(const QString& value)
{
    qint64 number = 0;
    for (QChar c : value)
        if (c >= u'0' && c <= u'9')
            number = std::min<qint64>(number * 10 + (c.unicode() - u'0'), 0x7FFFFFFF);
    return int(value.startsWith(u'-') ? -number : number);
}

quint32 MarkupColorValue(const QString& value)
{
    static constexpr std::array<std::pair<const char*, quint32>, 16> names{{
        {"RED", 0x0000FF}, {"YELLOW", 0x00FFFF}, {"GREEN", 0x008000}, {"BLUE", 0xFF0000},
        {"WHITE", 0xFFFFFF}, {"BLACK", 0x000000}, {"GRAY", 0x808080}, {"SILVER", 0xC0C0C0},
        {"NAVY", 0x800000}, {"LIME", 0x00FF00}, {"TEAL", 0x808000}, {"MAROON", 0x000080},
        {"PURPLE", 0x800080}, {"FUCHSIA", 0xFF00FF}, {"AQUA", 0xFFFF00}, {"OLIVE", 0x008080},
    }};
    const QString upper = value.toUpper();
    for (const auto& [name, colour] : names)
        if (upper == QLatin1String(name))
            return colour;
    if (value.startsWith(u'$')) {
        bool ok = false;
        const quint32 number = value.mid(1).toUInt(&ok, 16);
        return ok ? number : 0;
    }
    return quint32(MarkupIntValue(value));
}

QString StripMarkup(QStringView text)
{
    QString plain;
    for (const MarkupToken& token : ScanMarkup(text)) {
        if (!token.isTag)
            plain += token.text;
        else if (token.text == QLatin1String("BR"))
            plain += QLatin1String("\r\n");
    }
    return plain;
}

QString EscapeMarkup(const QString& text)
{
    QString escaped = text;
    return escaped.replace(QLatin1Char('<'), QLatin1String("<<"));
}
