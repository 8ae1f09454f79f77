#include "lorewright/Lorewright.h"

#include "platform/FileCommit.h"

#include "info/InfoFileFormat.h"
#include "platform/TextCodec.h"

#include <QFile>
#include <QIODevice>
#include <QSaveFile>

#include <array>

namespace Lorewright {

namespace {

class FileWriter final {
public:
    void putInt(qint64 value)
    {
        const quint32 v = quint32(value);
        const char bytes[4] = {char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char(v >> 24)};
        m_bytes.append(bytes, 4);
    }
    void putString(const QByteArray& bytes)
    {
        putInt(bytes.size());
        m_bytes.append(bytes);
    }
    void putBytes(const QByteArray& bytes) { m_bytes.append(bytes); }
    [[nodiscard]] qint64 size() const { return m_bytes.size(); }
    [[nodiscard]] const QByteArray& bytes() const { return m_bytes; }

private:
    QByteArray m_bytes;
};

QByteArray encoded(const QString& text)
{
    return TextCodec::encode(text);
}

QByteArray headerBlock(const TInfoClass& info)
{
    FileWriter header;
    header.putString(InfoFile::Scramble(encoded(info.Title)));
    header.putInt(info.OperatingSystem);
    header.putInt(info.Version);
    header.putString(InfoFile::Scramble(encoded(info.RightsNotice)));
    header.putBytes(info.Reserved.leftJustified(InfoFile::ReservedSize, '\0', true));
    return header.bytes();
}

QByteArray categoryBlock(const TInfoClass& info)
{
    FileWriter block;
    block.putInt(info.Categories.size());
    for (const QString& name : info.Categories)
        block.putString(encoded(name));
    return block.bytes();
}

Result writeFile(const QString& fileName, const QByteArray& bytes)
{
    // A temporary file renamed over the target: a failed write leaves the old file as it was.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !CommitSaveFile(file))
        return {false, QStringLiteral("Kann Datei nicht schreiben: ") + fileName + QStringLiteral(" (")
                           + file.errorString() + QLatin1Char(')')};
    return {true, {}};
}

Result readFile(const QString& fileName, QByteArray& bytes)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {false, QStringLiteral("Kann Datei nicht öffnen: ") + fileName};
    bytes = file.readAll();
    return {true, {}};
}

Result build(const QString& sourceName, const QString& outName)
{
    QByteArray source;
    TInfoClass info;
    Result step = readFile(sourceName, source);
    if (step.ok)
        step = parseSource(source, info);
    if (!step.ok)
        return {false, sourceName + QStringLiteral(": ") + step.message};
    step = writeFile(outName, buildFile(info));
    if (!step.ok)
        return step;
    return {true, QStringLiteral("%1 erstellt: %2 Schlüssel in %3 Kategorien.")
                      .arg(outName)
                      .arg(info.Entries.size())
                      .arg(info.Categories.size())};
}

Result dump(const QString& inName, const QString& outName)
{
    TInfoClass info;
    switch (info.ReadInFileOrder(inName)) {
    case TInfoClass::ReadStatus::Missing:
        return {false, QStringLiteral("Kann Datei nicht öffnen: ") + inName};
    case TInfoClass::ReadStatus::WrongIdentifier:
        return {false, inName + QStringLiteral(" ist keine Informationsdatei.")};
    case TInfoClass::ReadStatus::Truncated:
        return {false, inName + QStringLiteral(" ist unvollständig oder beschädigt.")};
    case TInfoClass::ReadStatus::Complete:
        break;
    }
    QByteArray source;
    Result step = writeSource(info, source);
    if (!step.ok)
        return {false, inName + QStringLiteral(": ") + step.message};
    step = writeFile(outName, source);
    if (!step.ok)
        return step;
    return {true, QStringLiteral("%1 geschrieben: %2 Schlüssel.").arg(outName).arg(info.Entries.size())};
}

} // namespace

QByteArray buildFile(const TInfoClass& info)
{
    std::array<QList<const InfoEntry*>, InfoFile::RootCount> groups;
    for (const InfoEntry& entry : info.Entries)
        if (const int root = InfoFile::RootIndexOf(entry.keyPath); root >= 0)
            groups[size_t(root)].append(&entry);

    const QByteArray header = headerBlock(info);
    const QByteArray categories = categoryBlock(info);
    FileWriter out;
    out.putInt(InfoFile::Identifier);
    out.putInt(header.size());
    out.putBytes(header);
    out.putInt(categories.size());
    out.putBytes(categories);
    qint64 count = 0;
    for (const auto& group : groups)
        count += group.size();
    out.putInt(count);

    FileWriter entries;
    const qint64 entriesStart = out.size() + qint64(InfoFile::RootCount) * 8;
    for (const auto& group : groups) {
        out.putInt(entriesStart + entries.size());
        out.putInt(group.size());
        for (const InfoEntry* entry : group) {
            const QByteArray path = encoded(entry->keyPath);
            const QByteArray text = encoded(entry->text);
            entries.putInt(path.size() + text.size());
            entries.putString(path);
            entries.putString(text);
            entries.putInt(entry->category);
        }
    }
    out.putBytes(entries.bytes());
    return out.bytes();
}

int run(const QStringList& arguments, QIODevice& err)
{
    Result result;
    if (arguments.size() == 3 && arguments[0] == QLatin1String("build"))
        result = build(arguments[1], arguments[2]);
    else if (arguments.size() == 3 && arguments[0] == QLatin1String("dump"))
        result = dump(arguments[1], arguments[2]);
    else
        result = {false, QStringLiteral("Aufruf: lorewright build QUELLE.txt ZIEL.rgf\n"
                                        "        lorewright dump QUELLE.rgf ZIEL.txt")};
    err.write((result.message + QLatin1Char('\n')).toUtf8());
    return result.ok ? 0 : 1;
}

} // namespace Lorewright
