#include "editors/IconExtract.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <algorithm>
#include <optional>

namespace {

constexpr quint32 TypeIcon = 3;
constexpr quint32 TypeGroupIcon = 14;
constexpr qint64 MaxFileSize = 256 * 1024 * 1024;

// Bounds-checked little-endian reads.
class Bytes {
public:
    explicit Bytes(const QByteArray& data) : m_data(data) {}
    [[nodiscard]] bool has(qint64 offset, qint64 count) const
    {
        return offset >= 0 && count >= 0 && offset <= m_data.size() && count <= m_data.size() - offset;
    }
    [[nodiscard]] std::optional<quint16> u16(qint64 offset) const
    {
        if (!has(offset, 2))
            return std::nullopt;
        return qFromLittleEndian<quint16>(m_data.constData() + offset);
    }
    [[nodiscard]] std::optional<quint32> u32(qint64 offset) const
    {
        if (!has(offset, 4))
            return std::nullopt;
        return qFromLittleEndian<quint32>(m_data.constData() + offset);
    }
    [[nodiscard]] QByteArray mid(qint64 offset, qint64 count) const { return m_data.mid(offset, count); }

private:
    const QByteArray& m_data;
};

struct ResEntry {
    bool named = false;
    quint32 id = 0;
    bool directory = false;
    quint32 offset = 0; // from the start of the resource section
};

class PeResources {
public:
    explicit PeResources(const QByteArray& data) : m_data(data), m_bytes(data) {}

    bool open()
    {
        const auto pe = m_bytes.u32(0x3C);
        if (!m_data.startsWith("MZ") || !pe || m_bytes.mid(*pe, 4) != QByteArray("PE\0\0", 4))
            return false;
        const qint64 coff = qint64(*pe) + 4;
        const auto sections = m_bytes.u16(coff + 2);
        const auto optionalSize = m_bytes.u16(coff + 16);
        const qint64 optional = coff + 20;
        const auto magic = m_bytes.u16(optional);
        if (!sections || !optionalSize || !magic || (*magic != 0x10b && *magic != 0x20b))
            return false;
        const bool wide = *magic == 0x20b;
        const auto directories = m_bytes.u32(optional + (wide ? 108 : 92));
        const auto resourceRva = m_bytes.u32(optional + (wide ? 112 : 96) + 16);
        if (!directories || *directories < 3 || !resourceRva || *resourceRva == 0)
            return false;
        m_sectionTable = optional + *optionalSize;
        m_sectionCount = *sections;
        const auto base = fileOffset(*resourceRva);
        if (!base)
            return false;
        m_base = *base;
        return true;
    }

    [[nodiscard]] QList<ResEntry> entries(quint32 directory) const
    {
        QList<ResEntry> list;
        const qint64 at = m_base + directory;
        const auto named = m_bytes.u16(at + 12);
        const auto ids = m_bytes.u16(at + 14);
        if (!named || !ids)
            return list;
        for (int i = 0; i < *named + *ids; ++i) {
            const auto name = m_bytes.u32(at + 16 + 8 * i);
            const auto target = m_bytes.u32(at + 20 + 8 * i);
            if (!name || !target)
                break;
            list.append({bool(*name & 0x80000000u), *name & 0x7FFFFFFFu, bool(*target & 0x80000000u),
                         *target & 0x7FFFFFFFu});
        }
        return list;
    }

    [[nodiscard]] std::optional<ResEntry> find(quint32 directory, quint32 id) const
    {
        for (const ResEntry& e : entries(directory))
            if (!e.named && e.id == id)
                return e;
        return std::nullopt;
    }

    // The data of an entry: its first language (and deeper levels, at most three in all).
    [[nodiscard]] std::optional<QByteArray> data(ResEntry entry) const
    {
        for (int depth = 0; entry.directory; ++depth) {
            const QList<ResEntry> inner = entries(entry.offset);
            if (inner.isEmpty() || depth > 2)
                return std::nullopt;
            entry = inner.first();
        }
        const auto rva = m_bytes.u32(m_base + entry.offset);
        const auto size = m_bytes.u32(m_base + entry.offset + 4);
        if (!rva || !size)
            return std::nullopt;
        const auto at = fileOffset(*rva);
        if (!at || !m_bytes.has(*at, *size))
            return std::nullopt;
        return m_bytes.mid(*at, *size);
    }

private:
    [[nodiscard]] std::optional<qint64> fileOffset(quint32 rva) const
    {
        for (int i = 0; i < m_sectionCount; ++i) {
            const qint64 header = m_sectionTable + 40 * i;
            const auto virtualSize = m_bytes.u32(header + 8);
            const auto address = m_bytes.u32(header + 12);
            const auto rawSize = m_bytes.u32(header + 16);
            const auto raw = m_bytes.u32(header + 20);
            if (!virtualSize || !address || !rawSize || !raw)
                return std::nullopt;
            const quint64 extent = std::max(*virtualSize, *rawSize);
            if (rva >= *address && rva < quint64(*address) + extent) {
                const qint64 offset = qint64(*raw) + (rva - *address);
                return m_bytes.has(offset, 0) ? std::optional<qint64>(offset) : std::nullopt;
            }
        }
        return std::nullopt;
    }

    const QByteArray& m_data;
    Bytes m_bytes;
    qint64 m_sectionTable = 0;
    int m_sectionCount = 0;
    qint64 m_base = 0;
};

void putU16(QByteArray& out, quint16 v)
{
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
}

void putU32(QByteArray& out, quint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

// An .ico file from a group directory (6-byte header, 14-byte entries ending in the image's resource
// number) and the icon images it names.
std::optional<QByteArray> buildIco(const PeResources& pe, const ResEntry& icons, const QByteArray& group)
{
    const Bytes g(group);
    const auto count = g.u16(4);
    if (!count || *count == 0 || !g.has(6, 14 * qint64(*count)))
        return std::nullopt;
    QList<QByteArray> images;
    for (int i = 0; i < *count; ++i) {
        const auto id = g.u16(6 + 14 * i + 12);
        const auto entry = pe.find(icons.offset, *id);
        const auto image = entry ? pe.data(*entry) : std::nullopt;
        if (!image)
            return std::nullopt;
        images.append(*image);
    }
    QByteArray ico;
    putU16(ico, 0);
    putU16(ico, 1);
    putU16(ico, *count);
    quint32 offset = 6 + 16 * quint32(*count);
    for (int i = 0; i < *count; ++i) {
        ico.append(g.mid(6 + 14 * i, 8)); // width, height, colours, reserved, planes, bits
        putU32(ico, quint32(images[i].size()));
        putU32(ico, offset);
        offset += quint32(images[i].size());
    }
    for (const QByteArray& image : images)
        ico.append(image);
    return ico;
}

bool isIcoFile(const QByteArray& data)
{
    const Bytes b(data);
    const auto count = b.u16(4);
    if (!data.startsWith(QByteArray("\0\0\1\0", 4)) || !count || *count == 0 || !b.has(6, 16 * qint64(*count)))
        return false;
    for (int i = 0; i < *count; ++i) {
        const auto size = b.u32(6 + 16 * i + 8);
        const auto offset = b.u32(6 + 16 * i + 12);
        if (!b.has(*offset, *size))
            return false;
    }
    return true;
}

} // namespace

QList<ExtractedIcon> ExtractIcons(const QByteArray& fileData)
{
    if (isIcoFile(fileData))
        return {{0, fileData}};
    QList<ExtractedIcon> result;
    PeResources pe(fileData);
    if (!pe.open())
        return result;
    const auto groups = pe.find(0, TypeGroupIcon);
    const auto icons = pe.find(0, TypeIcon);
    if (!groups || !icons || !groups->directory || !icons->directory)
        return result;
    for (const ResEntry& group : pe.entries(groups->offset)) {
        const auto data = pe.data(group);
        const auto ico = data ? buildIco(pe, *icons, *data) : std::nullopt;
        if (ico)
            result.append({group.named ? 0 : int(group.id), *ico});
    }
    return result;
}

QList<ExtractedIcon> ExtractIconsFromFile(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly) || file.size() > MaxFileSize)
        return {};
    return ExtractIcons(file.readAll());
}

int IconListPosition(const QList<ExtractedIcon>& icons, int index)
{
    if (index >= 0)
        return index < icons.size() ? index : -1;
    for (int i = 0; i < icons.size(); ++i)
        if (icons[i].resourceId == -index)
            return i;
    return -1;
}

QString FindShell32()
{
    QStringList prefixes;
    const QString wine = qEnvironmentVariable("WINEPREFIX");
    if (!wine.isEmpty())
        prefixes << wine;
    prefixes << QDir::homePath() + QStringLiteral("/.wine");
    for (const QString& prefix : prefixes) {
        const QString path = prefix + QStringLiteral("/drive_c/windows/system32/shell32.dll");
        if (QFileInfo::exists(path))
            return path;
    }
    return {};
}
