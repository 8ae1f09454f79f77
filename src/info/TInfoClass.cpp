#include "info/TInfoClass.h"

#include "info/InfoFileFormat.h"
#include "platform/StoreFiles.h"
#include "platform/TextCodec.h"
#include "registry/RegUtils.h"

#include <QCollator>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QtEndian>

#include <algorithm>

namespace {

// Reads the file's integers and strings; every read checks the bytes left first, so a length field
// of two gigabytes fails instead of allocating. After the first failure every read fails.
class InfoReader final {
public:
    explicit InfoReader(QFile& file) : m_file(file) {}

    [[nodiscard]] bool ok() const { return m_ok; }
    [[nodiscard]] qint64 left() const { return m_file.size() - m_file.pos(); }

    qint32 readInt()
    {
        char bytes[4];
        if (!m_ok || left() < 4 || m_file.read(bytes, 4) != 4)
            return fail();
        return qFromLittleEndian<qint32>(bytes);
    }
    QByteArray readBytes(qint64 count)
    {
        if (!m_ok || count < 0 || count > left()) {
            fail();
            return {};
        }
        QByteArray bytes = m_file.read(count);
        if (bytes.size() != count)
            fail();
        return bytes;
    }
    QByteArray readString()
    {
        const qint32 length = readInt();
        return m_ok ? readBytes(length) : QByteArray();
    }
    bool skip(qint64 count) { return seek(m_file.pos() + count); }
    bool seek(qint64 pos)
    {
        if (!m_ok || pos < 0 || pos > m_file.size() || !m_file.seek(pos))
            return fail() != 0;
        return true;
    }

private:
    int fail()
    {
        m_ok = false;
        return 0;
    }

    QFile& m_file;
    bool m_ok = true;
};

// The info file is never the registry store itself, whatever the setting says.
bool openInfoFile(QFile& file)
{
    return QFileInfo(file.fileName()).isFile() && !StoreFiles::isStoreFile(file.fileName())
           && file.open(QIODevice::ReadOnly);
}

void readHeader(InfoReader& in, TInfoClass& info)
{
    in.readInt(); // header size
    info.Title = TextCodec::decode(InfoFile::Scramble(in.readString()));
    info.OperatingSystem = in.readInt();
    info.Version = in.readInt();
    info.RightsNotice = TextCodec::decode(InfoFile::Scramble(in.readString()));
    info.Reserved = in.readBytes(InfoFile::ReservedSize);
    in.readInt(); // category block size
    const qint32 count = in.readInt();
    for (qint32 i = 0; i < count && in.ok(); ++i) {
        const QByteArray name = in.readString();
        if (in.ok())
            info.Categories.append(TextCodec::decode(name));
    }
}

void readEntries(InfoReader& in, TInfoClass& info)
{
    const qint32 count = in.readInt();
    in.skip(InfoFile::RootCount * 8);
    for (qint32 i = 0; i < count && in.ok(); ++i) {
        in.readInt(); // body size
        InfoEntry entry;
        entry.keyPath = TextCodec::decode(in.readString());
        entry.text = TextCodec::decode(in.readString());
        entry.category = in.readInt();
        if (in.ok())
            info.Entries.append(std::move(entry));
    }
}

struct RootGroup {
    qint32 offset = 0;
    qint32 count = 0;
};

// Positions the reader on the root's group; false when the file is not an info file.
bool findRootGroup(InfoReader& in, int root, RootGroup& group)
{
    if (quint32(in.readInt()) != InfoFile::Identifier || !in.ok())
        return false;
    in.skip(in.readInt());        // header
    in.skip(in.readInt());        // categories
    in.readInt();                 // entry count
    in.skip(qint64(root) * 8);
    group.offset = in.readInt();
    group.count = in.readInt();
    return in.seek(group.offset);
}

} // namespace

bool SameInfoKeyPath(const QString& a, const QString& b)
{
    return ExcludeTrailingBackslash(a).compare(ExcludeTrailingBackslash(b), Qt::CaseInsensitive) == 0;
}

TInfoClass::ReadStatus TInfoClass::ReadInFileOrder(const QString& fileName)
{
    if (!QFileInfo::exists(fileName))
        return ReadStatus::Missing;
    *this = TInfoClass{};
    QFile file(fileName);
    if (!openInfoFile(file))
        return ReadStatus::Truncated;
    if (file.size() == 0)
        return ReadStatus::Complete;
    InfoReader in(file);
    if (quint32(in.readInt()) != InfoFile::Identifier || !in.ok())
        return ReadStatus::WrongIdentifier;
    readHeader(in, *this);
    readEntries(in, *this);
    return in.ok() ? ReadStatus::Complete : ReadStatus::Truncated;
}

bool TInfoClass::Load(const QString& fileName)
{
    if (ReadInFileOrder(fileName) == ReadStatus::Missing)
        return false;
    QCollator collator{QLocale()};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(Entries.begin(), Entries.end(), [&collator](const InfoEntry& a, const InfoEntry& b) {
        return collator.compare(a.keyPath, b.keyPath) < 0;
    });
    return true;
}

std::optional<InfoEntry> TInfoClass::LookUp(const QString& fileName, const QString& keyPath)
{
    const int root = InfoFile::RootIndexOf(keyPath);
    if (root < 0)
        return std::nullopt;
    QFile file(fileName);
    if (!openInfoFile(file))
        return std::nullopt;
    InfoReader in(file);
    RootGroup group;
    if (!findRootGroup(in, root, group))
        return std::nullopt;
    for (qint32 i = 0; i < group.count && in.ok(); ++i) {
        const qint64 bodySize = in.readInt();
        const qint64 start = file.pos();
        InfoEntry entry;
        entry.keyPath = TextCodec::decode(in.readString());
        if (!in.ok())
            break;
        if (SameInfoKeyPath(entry.keyPath, keyPath)) {
            entry.text = TextCodec::decode(in.readString());
            entry.category = in.readInt();
            if (!in.ok())
                break;
            return entry;
        }
        // A body size that does not move forward would loop; the file ends there.
        const qint64 next = start + bodySize + InfoFile::EntryOverhead;
        if (next <= start || next >= file.size() || !in.seek(next))
            break;
    }
    return std::nullopt;
}

int TInfoClass::categoryIndex(const InfoEntry& entry) const
{
    return std::clamp(int(entry.category), 0, std::max(0, int(Categories.size()) - 1));
}

QString TInfoClass::operatingSystemName() const
{
    if (OperatingSystem < 0 || OperatingSystem >= int(InfoFile::OperatingSystems.size()))
        return {};
    return InfoFile::OperatingSystems[size_t(OperatingSystem)];
}
