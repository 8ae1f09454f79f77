#include "search/ResultFile.h"

#include "platform/BoundedLine.h"
#include "platform/FileCommit.h"

#include "platform/StoreFiles.h"
#include "platform/TextCodec.h"
#include "registry/HexDigit.h"

#include <QFile>
#include <QSaveFile>

namespace {

constexpr qint64 WriteBlock = 64 * 1024;

QString hex2(int number)
{
    return QStringLiteral("%1").arg(number & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
}

// At most 255 characters, never half a surrogate pair.
QStringView cut(const QString& text)
{
    qsizetype n = qMin(text.size(), qsizetype(ResultFile::MaxTextLength));
    if (n < text.size() && n > 0 && text[n - 1].isHighSurrogate())
        --n;
    return QStringView(text).first(n);
}

int hexByteAt(const QString& text, int at)
{
    const int high = HexDigitValue(text[at]);
    const int low = HexDigitValue(text[at + 1]);
    return high < 0 || low < 0 ? -1 : high * 16 + low;
}

// A row from a line without its line end; false when the line is not one.
bool parseLine(const QString& line, ResultRow& row)
{
    if (line.size() < 6)
        return false;
    const int icon = hexByteAt(line, 0);
    const int foundAtLength = hexByteAt(line, 2);
    const int nameLength = hexByteAt(line, 4);
    if (icon < 0 || foundAtLength < 0 || nameLength < 0 || 6 + foundAtLength + nameLength > line.size())
        return false;
    row.icon = icon;
    row.foundAt = line.mid(6, foundAtLength);
    row.valueName = line.mid(6 + foundAtLength, nameLength);
    row.keyPath = line.mid(6 + foundAtLength + nameLength);
    row.selected = false;
    return true;
}

// Reads past the rest of an overlong line, a block at a time.
void skipRestOfLine(QIODevice& device, QByteArray& part)
{
    while (ReadBoundedLine(device, part, ResultFile::MaxLineBytes))
        if (part.endsWith('\n'))
            return;
}

} // namespace

namespace ResultFile {

QByteArray lineFor(const ResultRow& row)
{
    const QStringView foundAt = cut(row.foundAt);
    const QStringView name = cut(row.valueName);
    QString line = hex2(row.icon) + hex2(int(foundAt.size())) + hex2(int(name.size()));
    line += foundAt;
    line += name;
    line += row.keyPath;
    return TextCodec::encode(line) + "\r\n";
}

bool write(QIODevice& device, const std::vector<ResultRow>& rows)
{
    QByteArray block;
    const auto flush = [&] {
        const bool written = device.write(block) == block.size();
        block.clear();
        return written;
    };
    for (const ResultRow& row : rows) {
        block += lineFor(row);
        if (block.size() >= WriteBlock && !flush())
            return false;
    }
    return flush();
}

ResultFileContent read(QIODevice& device)
{
    ResultFileContent content;
    QByteArray bytes;
    // Ends at the end of the data, or with a device that stops answering.
    while (ReadBoundedLine(device, bytes, MaxLineBytes)) {
        const bool complete = bytes.endsWith('\n') || device.atEnd();
        if (!complete) {
            skipRestOfLine(device, bytes);
            ++content.skippedLines;
            continue;
        }
        while (bytes.endsWith('\n') || bytes.endsWith('\r'))
            bytes.chop(1);
        if (bytes.isEmpty())
            continue;
        ResultRow row;
        if (parseLine(TextCodec::decode(bytes), row))
            content.rows.push_back(std::move(row));
        else
            ++content.skippedLines;
    }
    content.ok = true;
    return content;
}

} // namespace ResultFile

QString SkippedLinesText(int count)
{
    if (count == 1)
        return QStringLiteral("Eine Zeile der Datei ist kein Suchergebnis und wurde übersprungen.");
    return QStringLiteral("%1 Zeilen der Datei sind keine Suchergebnisse und wurden übersprungen.").arg(count);
}

QString ResultFileName(const QString& chosen)
{
    const qsizetype slash = chosen.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = chosen.lastIndexOf(QLatin1Char('.'));
    const QString base = dot > slash + 1 ? chosen.left(dot) : chosen;
    return base + QStringLiteral(".slt");
}

bool SaveResultFile(const QString& fileName, const SearchResultList& list)
{
    if (fileName.isEmpty() || StoreFiles::isStoreFile(fileName))
        return false;
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || !ResultFile::write(file, list.rows())) {
        file.cancelWriting();
        return false;
    }
    return CommitSaveFile(file);
}

ResultFileContent LoadResultFile(const QString& fileName, SearchResultList& list)
{
    ResultFileContent content;
    QFile file(fileName);
    if (StoreFiles::isStoreFile(fileName) || !file.open(QIODevice::ReadOnly)) {
        content.error = QStringLiteral("Die Datei \"%1\" kann nicht geöffnet werden.").arg(fileName);
        return content;
    }
    content = ResultFile::read(file);
    list.clear();
    list.addResultRows(std::move(content.rows));
    content.rows.clear();
    return content;
}
