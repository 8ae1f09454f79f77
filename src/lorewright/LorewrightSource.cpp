#include "lorewright/Lorewright.h"

#include "info/InfoFileFormat.h"
#include "platform/TextCodec.h"
#include "platform/WinCase.h"
#include "registry/RegUtils.h"

#include <QHash>
#include <QList>

namespace Lorewright {

namespace {

const QString TitleName = QStringLiteral("Titel");
const QString SystemName = QStringLiteral("Betriebssystem");
const QString VersionName = QStringLiteral("Version");
const QString RightsName = QStringLiteral("Rechte");
const QString ReservedName = QStringLiteral("Reserviert");
const QString CategoryName = QStringLiteral("Kategorie");

Result lineError(int line, const QString& text)
{
    return {false, QStringLiteral("Zeile %1: ").arg(line) + text};
}

bool isSectionLine(QStringView line)
{
    return line.size() >= 2 && line.startsWith(u'[') && line.endsWith(u']');
}

// The first character of the line that code page 1252 does not have, or -1.
qsizetype firstForeignChar(const QString& line)
{
    for (qsizetype i = 0; i < line.size(); ++i)
        if (!TextCodec::fitsWindows1252(QStringView(line).mid(i, line[i].isHighSurrogate() ? 2 : 1)))
            return i;
    return -1;
}

// "Name: value": the name, and the value after one optional blank.
bool splitItem(const QString& line, QString& name, QString& value)
{
    const qsizetype colon = line.indexOf(QLatin1Char(':'));
    if (colon <= 0)
        return false;
    name = line.left(colon).trimmed();
    value = line.mid(colon + 1);
    if (value.startsWith(QLatin1Char(' ')))
        value.remove(0, 1);
    return true;
}

bool parseNumber(const QString& text, qint32& number)
{
    bool ok = false;
    number = text.trimmed().toInt(&ok);
    return ok;
}

class SourceParser final {
public:
    explicit SourceParser(TInfoClass& info) : m_info(info) {}

    Result parse(const QStringList& lines)
    {
        m_info = TInfoClass{};
        m_info.Reserved = QByteArray(InfoFile::ReservedSize, '\0');
        for (int i = 0; i < lines.size(); ++i) {
            const int number = i + 1;
            const qsizetype foreign = firstForeignChar(lines[i]);
            if (foreign >= 0)
                return lineError(number, QStringLiteral("Das Zeichen \"%1\" (U+%2) gibt es in der Codepage 1252 nicht.")
                                             .arg(lines[i].mid(foreign, lines[i][foreign].isHighSurrogate() ? 2 : 1))
                                             .arg(lines[i].mid(foreign).toUcs4().value(0), 4, 16, QLatin1Char('0')));
            const Result step = isSectionLine(lines[i]) ? section(lines[i], number) : line(lines[i], number);
            if (!step.ok)
                return step;
        }
        finishEntry();
        if (m_expectCategory)
            return lineError(int(lines.size()), QStringLiteral("Nach dem Schlüssel fehlt die Zeile \"Kategorie: \"."));
        return {true, {}};
    }

private:
    Result section(const QString& text, int number)
    {
        if (m_expectCategory)
            return lineError(number, QStringLiteral("Nach dem Schlüssel fehlt die Zeile \"Kategorie: \"."));
        finishEntry();
        const QString path = text.mid(1, text.size() - 2);
        if (InfoFile::RootIndexOf(path) < 0)
            return lineError(number,
                             QStringLiteral("Der Schlüsselpfad beginnt nicht mit einem Hauptschlüssel: ") + path);
        const QString id = winUpper(ExcludeTrailingBackslash(path));
        if (const int earlier = m_paths.value(id); earlier > 0)
            return lineError(number, QStringLiteral("Der Schlüssel steht schon in Zeile %1.").arg(earlier));
        m_paths.insert(id, number);
        m_entry = InfoEntry{path, {}, 0};
        m_inEntry = true;
        m_expectCategory = true;
        m_textLines.clear();
        return {true, {}};
    }

    Result line(const QString& text, int number)
    {
        if (m_expectCategory)
            return entryCategory(text, number);
        if (m_inEntry) {
            m_textLines.append(text);
            return {true, {}};
        }
        if (text.trimmed().isEmpty())
            return {true, {}};
        return headerItem(text, number);
    }

    Result entryCategory(const QString& text, int number)
    {
        QString name, value;
        if (!splitItem(text, name, value) || name != CategoryName)
            return lineError(number, QStringLiteral("Nach dem Schlüssel fehlt die Zeile \"Kategorie: \"."));
        m_expectCategory = false;
        if (value.startsWith(QLatin1Char('#')) && parseNumber(value.mid(1), m_entry.category))
            return {true, {}};
        const qsizetype index = m_info.Categories.indexOf(value);
        if (index < 0)
            return lineError(number, QStringLiteral("Unbekannte Kategorie: ") + value);
        m_entry.category = qint32(index);
        return {true, {}};
    }

    Result headerItem(const QString& text, int number)
    {
        QString name, value;
        if (!splitItem(text, name, value))
            return lineError(number, QStringLiteral("Erwartet wird \"Name: Wert\" oder ein Schlüssel in [ ]."));
        if (name == TitleName)
            m_info.Title = value;
        else if (name == RightsName)
            m_info.RightsNotice = value;
        else if (name == CategoryName)
            m_info.Categories.append(value);
        else if (name == VersionName) {
            if (!parseNumber(value, m_info.Version))
                return lineError(number, QStringLiteral("Die Version ist keine ganze Zahl."));
        } else if (name == SystemName)
            return system(value, number);
        else if (name == ReservedName)
            return reserved(value, number);
        else
            return lineError(number, QStringLiteral("Unbekannte Angabe: ") + name);
        return {true, {}};
    }

    Result system(const QString& value, int number)
    {
        for (size_t i = 0; i < InfoFile::OperatingSystems.size(); ++i)
            if (value.trimmed().compare(InfoFile::OperatingSystems[i], Qt::CaseInsensitive) == 0) {
                m_info.OperatingSystem = qint32(i);
                return {true, {}};
            }
        if (parseNumber(value, m_info.OperatingSystem))
            return {true, {}};
        return lineError(number, QStringLiteral("Unbekanntes Betriebssystem: ") + value);
    }

    Result reserved(const QString& value, int number)
    {
        const QByteArray bytes = QByteArray::fromHex(value.toLatin1());
        const QString digits = QString(value).remove(QLatin1Char(' '));
        if (bytes.size() != InfoFile::ReservedSize || digits.size() != 2 * InfoFile::ReservedSize)
            return lineError(number, QStringLiteral("Erwartet werden acht Bytes in Hexadezimalschreibweise."));
        m_info.Reserved = bytes;
        return {true, {}};
    }

    void finishEntry()
    {
        if (!m_inEntry || m_expectCategory)
            return;
        while (!m_textLines.isEmpty() && m_textLines.last().isEmpty())
            m_textLines.removeLast();
        for (QString& text : m_textLines)
            if (text.startsWith(QLatin1Char('\\')))
                text.remove(0, 1);
        m_entry.text = m_textLines.join(QStringLiteral("\r\n"));
        m_info.Entries.append(m_entry);
        m_inEntry = false;
    }

    TInfoClass& m_info;
    QHash<QString, int> m_paths; // upper-cased path -> its line
    InfoEntry m_entry;
    QStringList m_textLines;
    bool m_inEntry = false;
    bool m_expectCategory = false;
};

// A name that a "Kategorie: " line gives back as the same number.
QString categoryReference(const TInfoClass& info, qint32 category)
{
    if (category >= 0 && category < info.Categories.size()) {
        const QString& name = info.Categories[category];
        if (!name.startsWith(QLatin1Char('#')) && info.Categories.indexOf(name) == category)
            return name;
    }
    return QLatin1Char('#') + QString::number(category);
}

bool singleLine(const QString& text)
{
    return !text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n'));
}

Result appendEntry(const TInfoClass& info, const InfoEntry& entry, QString& out)
{
    const QString where = QStringLiteral("[") + entry.keyPath + QStringLiteral("]");
    if (!singleLine(entry.keyPath))
        return {false, QStringLiteral("Ein Schlüsselpfad enthält einen Zeilenumbruch: ") + entry.keyPath};
    QStringList lines = entry.text.isEmpty() ? QStringList() : entry.text.split(QStringLiteral("\r\n"));
    qsizetype lastFilled = lines.size() - 1;
    while (lastFilled >= 0 && lines[lastFilled].isEmpty())
        --lastFilled;
    out += QLatin1Char('\n') + where + QLatin1Char('\n') + CategoryName + QStringLiteral(": ")
           + categoryReference(info, entry.category) + QLatin1Char('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (!singleLine(lines[i]))
            return {false, QStringLiteral("Der Text von %1 enthält einen Zeilenumbruch ohne CR LF.").arg(where)};
        const bool escape =
            lines[i].startsWith(QLatin1Char('[')) || lines[i].startsWith(QLatin1Char('\\')) || i > lastFilled;
        out += (escape ? QStringLiteral("\\") : QString()) + lines[i] + QLatin1Char('\n');
    }
    return {true, {}};
}

} // namespace

Result parseSource(const QByteArray& source, TInfoClass& info)
{
    QByteArray bytes = source;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    QList<QByteArray> rawLines = bytes.split('\n');
    if (!rawLines.isEmpty() && rawLines.last().isEmpty())
        rawLines.removeLast();
    QStringList lines;
    for (qsizetype i = 0; i < rawLines.size(); ++i) {
        QByteArray& raw = rawLines[i];
        if (raw.endsWith('\r'))
            raw.chop(1);
        if (!TextCodec::isValidUtf8(raw))
            return lineError(int(i + 1), QStringLiteral("Die Zeile ist kein gültiges UTF-8."));
        lines.append(QString::fromUtf8(raw));
    }
    return SourceParser(info).parse(lines);
}

Result writeSource(const TInfoClass& info, QByteArray& source)
{
    for (const QString& item : QStringList{info.Title, info.RightsNotice} + info.Categories)
        if (!singleLine(item))
            return {false, QStringLiteral("Eine Angabe des Kopfes enthält einen Zeilenumbruch: ") + item};
    const QString system = info.OperatingSystem >= 0 && info.OperatingSystem < qint32(InfoFile::OperatingSystems.size())
                               ? QString(InfoFile::OperatingSystems[size_t(info.OperatingSystem)])
                               : QString::number(info.OperatingSystem);
    QString out = TitleName + QStringLiteral(": ") + info.Title + QLatin1Char('\n') + SystemName + QStringLiteral(": ")
                  + system + QLatin1Char('\n') + VersionName + QStringLiteral(": ") + QString::number(info.Version)
                  + QLatin1Char('\n') + RightsName + QStringLiteral(": ") + info.RightsNotice + QLatin1Char('\n')
                  + ReservedName + QStringLiteral(": ")
                  + QString::fromLatin1(info.Reserved.leftJustified(InfoFile::ReservedSize, '\0', true).toHex(' '))
                  + QLatin1Char('\n');
    for (const QString& category : info.Categories)
        out += CategoryName + QStringLiteral(": ") + category + QLatin1Char('\n');
    for (const InfoEntry& entry : info.Entries)
        if (const Result added = appendEntry(info, entry, out); !added.ok)
            return added;
    source = out.toUtf8();
    return {true, {}};
}

} // namespace Lorewright
