#include "help/HelpStrings.h"

#include <QFile>
#include <QRegularExpression>

namespace Help {

namespace {

QMap<int, QString> loadTable()
{
    QMap<int, QString> table;
    for (const char* name : {":/help/HelpTexts.txt", ":/help/QuickHelpTexts.txt"}) {
        QFile file(QString::fromLatin1(name));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        table.insert(ParseStringSections(QString::fromUtf8(file.readAll())));
    }
    return table;
}

const QMap<int, QString>& table()
{
    static const QMap<int, QString> strings = loadTable();
    return strings;
}

// A line ending in a tag that breaks the line joins the next one without a blank, so that the next
// line does not start with one.
bool endsWithBreak(const QString& line)
{
    static const QRegularExpression breakTag(QStringLiteral("<\\s*(BR|/?FRAME[^>]*)\\s*>$"),
                                             QRegularExpression::CaseInsensitiveOption);
    return breakTag.match(line).hasMatch();
}

} // namespace

QMap<int, QString> ParseStringSections(QStringView text)
{
    QMap<int, QString> sections;
    int number = -1;
    QString joined;
    auto finish = [&] {
        if (number >= 0)
            sections.insert(number, joined);
        joined.clear();
    };
    for (QStringView line : text.split(QLatin1Char('\n'))) {
        line = line.trimmed();
        if (line.startsWith(QLatin1String("@@"))) {
            finish();
            bool ok = false;
            number = line.mid(2).trimmed().toInt(&ok);
            if (!ok)
                number = -1;
        } else if (!line.isEmpty() && !line.startsWith(QLatin1String("//"))) {
            if (!joined.isEmpty() && !endsWithBreak(joined))
                joined += QLatin1Char(' ');
            joined += line;
        }
    }
    finish();
    return sections;
}

QString String(int number)
{
    return table().value(number);
}

QList<int> StringNumbers()
{
    return table().keys();
}

QString Title()
{
    return String(TitleString).mid(7);
}

QString Author()
{
    return String(AuthorString).mid(8);
}

QString TopicTitle(int topic)
{
    return String(FirstTopicString + 2 * topic);
}

QString PlainTopicTitle(int topic)
{
    QString title = TopicTitle(topic);
    const int marks = title.startsWith(QLatin1String("##")) ? 2 : title.startsWith(QLatin1Char('#')) ? 1 : 0;
    return title.mid(marks);
}

bool IsSection(int topic)
{
    return TopicTitle(topic).startsWith(QLatin1String("##"));
}

QString TopicText(int topic)
{
    return String(FirstTopicString + 2 * topic + 1);
}

QString QuickHelpText(int context)
{
    return context > 0 ? String(QuickHelpBase + context) : QString();
}

} // namespace Help
