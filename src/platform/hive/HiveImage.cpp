#include "platform/hive/HiveImage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <optional>

namespace {

// Base block fields (offsets in bytes).
constexpr qsizetype PrimarySequence = 4;
constexpr qsizetype SecondarySequence = 8;
constexpr qsizetype LastWritten = 12;
constexpr qsizetype MajorVersion = 20;
constexpr qsizetype MinorVersion = 24;
constexpr qsizetype FileType = 28;
constexpr qsizetype HiveBinsSize = 40;
constexpr qsizetype Flags = 144;
constexpr qsizetype Checksum = 508;

constexpr quint32 TypePrimary = 0;
constexpr quint32 TypeOldLog = 1;
constexpr quint32 TypeVeryOldLog = 2;
constexpr quint32 TypeNewLog = 6;

constexpr quint64 LogEntrySeed = 0x82EF4D887A4E55C5ULL;
// Hive bins beyond this are not believed, even from an authentic log entry.
constexpr quint32 MaxHiveBinsSize = 0x7FFFF000u;

quint32 u32(const QByteArray& b, qsizetype at)
{
    return at + 4 <= b.size() ? qFromLittleEndian<quint32>(b.constData() + at) : 0;
}

quint64 u64(const QByteArray& b, qsizetype at)
{
    return at + 8 <= b.size() ? qFromLittleEndian<quint64>(b.constData() + at) : 0;
}

void put32(QByteArray& b, qsizetype at, quint32 v)
{
    qToLittleEndian<quint32>(v, b.data() + at);
}

bool hasSignature(const QByteArray& b)
{
    return b.size() >= HiveFormat::LogBaseBlockSize && b.startsWith("regf");
}

bool baseBlockValid(const QByteArray& b)
{
    return hasSignature(b) && HiveFormat::baseBlockChecksum(b.constData()) == u32(b, Checksum);
}

// A log usable at all: a base block of its kind with a good checksum, not itself dirty.
bool usableLog(const QByteArray& log, bool newFormat)
{
    if (!baseBlockValid(log) || u32(log, PrimarySequence) != u32(log, SecondarySequence))
        return false;
    const quint32 type = u32(log, FileType);
    return newFormat ? type == TypeNewLog : (type == TypeOldLog || type == TypeVeryOldLog);
}

// What the replay has found so far; the base block is written from it at the end.
struct Replay {
    QByteArray& image;
    bool primaryValid;
    quint32 primarySecondary;
    std::optional<quint32> lastSequence;
    quint32 hiveBins = 0;
    quint32 flags = 0;
    QByteArray logBaseBlock; // the base block of the last log applied
    // The hive cannot grow beyond what the primary file and the logs hold between them: a log that
    // claims more (even with good checksums) would only make the image that large of zeros.
    qint64 maxHiveBins = 0;
};

bool binsBelievable(const Replay& r, quint32 bins)
{
    return bins >= 4096 && bins % 4096 == 0 && bins <= MaxHiveBinsSize && qint64(bins) <= r.maxHiveBins;
}

bool writePages(Replay& r, qsizetype primaryOffset, const char* data, qsizetype size)
{
    const qsizetype end = HiveFormat::BaseBlockSize + qsizetype(r.hiveBins);
    if (primaryOffset < HiveFormat::BaseBlockSize || size < 0 || primaryOffset + size > end)
        return false;
    if (r.image.size() < end)
        r.image.append(QByteArray(end - r.image.size(), '\0'));
    std::memcpy(r.image.data() + primaryOffset, data, size_t(size));
    return true;
}

// One log entry of the new format at pos, checked throughout; its size, or 0 where the entries end.
qsizetype applyEntry(Replay& r, const QByteArray& log, qsizetype pos, quint32 expected)
{
    if (pos + 40 > log.size() || std::memcmp(log.constData() + pos, "HvLE", 4) != 0)
        return 0;
    const quint32 size = u32(log, pos + 4);
    const quint32 bins = u32(log, pos + 16);
    const quint32 pages = u32(log, pos + 20);
    if (size < 512 || size % 512 || pos + qsizetype(size) > log.size() || !binsBelievable(r, bins) || pages == 0
        || 40 + qint64(pages) * 8 > size)
        return 0;
    const char* e = log.constData() + pos;
    if (u64(log, pos + 32) != HiveFormat::marvin32(e, 32, LogEntrySeed)
        || u64(log, pos + 24) != HiveFormat::marvin32(e + 40, size - 40, LogEntrySeed)
        || u32(log, pos + 12) != expected)
        return 0;
    r.hiveBins = bins;
    r.flags = (r.flags & ~1u) | (u32(log, pos + 8) & 1u);
    qsizetype data = 40 + qsizetype(pages) * 8;
    for (quint32 i = 0; i < pages; ++i) {
        const quint32 offset = u32(log, pos + 40 + i * 8);
        const quint32 pageSize = u32(log, pos + 44 + i * 8);
        if (data + qsizetype(pageSize) > qsizetype(size)
            || !writePages(r, HiveFormat::BaseBlockSize + qsizetype(offset), e + data, pageSize))
            return 0;
        data += pageSize;
    }
    r.lastSequence = expected;
    return size;
}

// False when the log may not be applied (older than the primary file, or than the log before it).
bool applyNewLog(Replay& r, const QByteArray& log)
{
    const quint32 first = u32(log, PrimarySequence);
    if (r.lastSequence && *r.lastSequence >= first)
        return false;
    if (r.primaryValid && first < r.primarySecondary)
        return false;
    r.flags = u32(log, Flags);
    r.logBaseBlock = log.left(HiveFormat::LogBaseBlockSize);
    quint32 expected = first;
    for (qsizetype pos = HiveFormat::LogBaseBlockSize; pos < log.size(); ++expected) {
        const qsizetype size = applyEntry(r, log, pos, expected);
        if (size == 0)
            break;
        pos += size;
    }
    return true;
}

// The older format: a dirty vector ("DIRT", one bit per 512 bytes of hive bins), then the pages.
bool applyOldLog(Replay& r, const QByteArray& log, quint64 primaryWritten)
{
    if (r.primaryValid && u64(log, LastWritten) < primaryWritten)
        return false;
    const quint32 bins = u32(log, HiveBinsSize);
    if (!binsBelievable(r, bins))
        return false;
    const qsizetype vector = HiveFormat::LogBaseBlockSize;
    const qsizetype bitmapBytes = bins / 4096;
    if (log.size() < vector + 4 + bitmapBytes || std::memcmp(log.constData() + vector, "DIRT", 4) != 0)
        return false;
    r.hiveBins = bins;
    r.flags = u32(log, Flags);
    r.logBaseBlock = log.left(HiveFormat::LogBaseBlockSize);
    const qsizetype start = (vector + 4 + bitmapBytes + 511) / 512 * 512;
    qsizetype page = 0;
    for (qsizetype bit = 0; bit < bitmapBytes * 8; ++bit) {
        if (!((quint8(log.at(vector + 4 + bit / 8)) >> (bit % 8)) & 1))
            continue;
        const qsizetype from = start + page * 512;
        if (from + 512 > log.size())
            break;
        (void)writePages(r, HiveFormat::BaseBlockSize + bit * 512, log.constData() + from, 512);
        ++page;
    }
    return true;
}

// Of two logs of the new format, the one the other continues comes first (sequence numbers wrap).
bool startsBefore(quint32 a, quint32 b)
{
    return a < b ? b - a <= 0x7FFFFFFFu : a - b > 0x7FFFFFFFu;
}

bool applyLogs(Replay& r, const QList<QByteArray>& logs, quint64 primaryWritten)
{
    QList<QByteArray> fresh;
    QList<QByteArray> old;
    for (const QByteArray& log : logs) {
        if (usableLog(log, true))
            fresh.append(log);
        else if (usableLog(log, false))
            old.append(log);
    }
    if (fresh.size() >= 2) {
        QByteArray first = fresh.at(0);
        QByteArray second = fresh.at(1);
        if (!startsBefore(u32(first, PrimarySequence), u32(second, PrimarySequence)))
            std::swap(first, second);
        if (!r.primaryValid) // a damaged base block: the newer log alone, as the system does
            return applyNewLog(r, second);
        if (!applyNewLog(r, first))
            return applyNewLog(r, second);
        if (r.lastSequence && u32(second, PrimarySequence) == *r.lastSequence + 1)
            (void)applyNewLog(r, second);
        return true;
    }
    if (fresh.size() == 1)
        return applyNewLog(r, fresh.first());
    if (old.isEmpty())
        return false;
    std::stable_sort(old.begin(), old.end(), [](const QByteArray& a, const QByteArray& b) {
        return u64(a, LastWritten) > u64(b, LastWritten);
    });
    return applyOldLog(r, old.first(), primaryWritten);
}

// The base block of the recovered hive: the primary's when it was sound, else the log's.
void writeBaseBlock(Replay& r)
{
    QByteArray block = r.primaryValid ? r.image.left(HiveFormat::BaseBlockSize) : r.logBaseBlock;
    block.resize(HiveFormat::BaseBlockSize, '\0');
    const quint32 sequence = r.lastSequence ? *r.lastSequence : u32(block, PrimarySequence);
    put32(block, PrimarySequence, sequence);
    put32(block, SecondarySequence, sequence);
    put32(block, HiveBinsSize, r.hiveBins);
    put32(block, Flags, r.flags);
    put32(block, FileType, TypePrimary);
    put32(block, Checksum, HiveFormat::baseBlockChecksum(block.constData()));
    r.image.resize(HiveFormat::BaseBlockSize + r.hiveBins, '\0');
    std::memcpy(r.image.data(), block.constData(), size_t(HiveFormat::BaseBlockSize));
}

// A base block whose checksum alone may be wrong: a primary file of a known version.
bool saneHeader(const QByteArray& b)
{
    const quint32 bins = u32(b, HiveBinsSize);
    return u32(b, FileType) == TypePrimary && u32(b, MajorVersion) == 1 && u32(b, MinorVersion) <= 6
           && bins >= 4096 && bins % 4096 == 0;
}

QString readError(const QString& path, const QFile& file)
{
    return QStringLiteral("Die Hive-Datei \"%1\" kann nicht gelesen werden: %2").arg(path, file.errorString());
}

} // namespace

namespace HiveFormat {

quint32 baseBlockChecksum(const char* block)
{
    quint32 sum = 0;
    for (int i = 0; i < 508; i += 4)
        sum ^= qFromLittleEndian<quint32>(block + i);
    if (sum == 0)
        return 1;
    return sum == 0xFFFFFFFFu ? 0xFFFFFFFEu : sum;
}

quint64 marvin32(const char* data, qsizetype size, quint64 seed)
{
    quint32 lo = quint32(seed);
    quint32 hi = quint32(seed >> 32);
    const auto rotl = [](quint32 x, int n) { return (x << n) | (x >> (32 - n)); };
    const auto mix = [&](quint32 v) {
        lo += v;
        hi ^= lo;
        lo = rotl(lo, 20) + hi;
        hi = rotl(hi, 9) ^ lo;
        lo = rotl(lo, 27) + hi;
        hi = rotl(hi, 19);
    };
    const auto* p = reinterpret_cast<const uchar*>(data);
    for (; size >= 4; size -= 4, p += 4)
        mix(qFromLittleEndian<quint32>(p));
    quint32 last = 0x80;
    for (qsizetype i = size - 1; i >= 0; --i)
        last = (last << 8) | p[i];
    mix(last);
    mix(0);
    return (quint64(hi) << 32) | lo;
}

} // namespace HiveFormat

HiveImage HiveImage::replay(const QByteArray& primary, const QList<QByteArray>& logs)
{
    HiveImage img;
    img.bytes = primary;
    if (primary.size() < HiveFormat::BaseBlockSize + 4096 || !hasSignature(primary)) {
        img.error = QStringLiteral("Die Datei ist keine Hive-Datei oder ist abgeschnitten.");
        return img;
    }
    const bool valid = baseBlockValid(primary);
    if (valid && u32(primary, FileType) != TypePrimary) {
        img.error = QStringLiteral("Die Datei ist eine Protokolldatei, keine Hive-Datei.");
        return img;
    }
    if (valid && (u32(primary, MajorVersion) != 1 || u32(primary, MinorVersion) > 6)) {
        img.error = QStringLiteral("Diese Version des Hive-Formats wird nicht unterstützt.");
        return img;
    }
    img.minorVersion = u32(primary, MinorVersion);
    img.dirty = !valid || u32(primary, PrimarySequence) != u32(primary, SecondarySequence);
    if (!img.dirty)
        return img;
    qint64 available = primary.size() - HiveFormat::BaseBlockSize;
    for (const QByteArray& log : logs)
        available += log.size();
    Replay r{img.bytes, valid, u32(primary, SecondarySequence), std::nullopt, u32(primary, HiveBinsSize),
             u32(primary, Flags), {}, available};
    // A damaged base block's size is not believed either; its bins are then what the file holds.
    if (!binsBelievable(r, r.hiveBins)) {
        const qint64 held = (primary.size() - HiveFormat::BaseBlockSize) / 4096 * 4096;
        r.hiveBins = quint32(std::min<qint64>(held, MaxHiveBinsSize));
    }
    if (!applyLogs(r, logs, u64(primary, LastWritten))) {
        if (!valid && saneHeader(primary)) {
            // Only the checksum is wrong: the hive is read as it is, and never written.
            put32(img.bytes, Checksum, HiveFormat::baseBlockChecksum(img.bytes.constData()));
            img.warnings << QStringLiteral("Die Prüfsumme des Kopfblocks stimmt nicht, und keine Protokolldatei "
                                           "kann ihn ersetzen: angezeigt wird, was lesbar ist.");
        } else if (!valid) {
            img.error = QStringLiteral("Der Kopfblock der Hive-Datei ist beschädigt, und keine Protokolldatei "
                                       "kann ihn ersetzen.");
        } else
            img.warnings << QStringLiteral("Die Hive-Datei wurde nicht sauber geschlossen, und ihre "
                                           "Protokolldateien fehlen: angezeigt wird der Stand der Datei.");
        return img;
    }
    writeBaseBlock(r);
    img.replayed = true;
    img.minorVersion = u32(img.bytes, MinorVersion);
    img.warnings << QStringLiteral("Die Hive-Datei war nicht sauber geschlossen; ihre Protokolldateien wurden "
                                   "im Speicher nachgetragen.");
    return img;
}

QStringList HiveImage::logFiles(const QString& hivePath)
{
    const QFileInfo info(hivePath);
    const QString base = info.fileName().toUpper();
    const QStringList wanted{base + QStringLiteral(".LOG"), base + QStringLiteral(".LOG1"),
                             base + QStringLiteral(".LOG2")};
    QStringList found;
    const QDir dir = info.absoluteDir();
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name)) {
        if (wanted.contains(name.toUpper()))
            found << dir.filePath(name);
    }
    return found;
}

HiveImage HiveImage::load(const QString& path, qint64 maxBytes)
{
    HiveImage failed;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        failed.error = readError(path, file);
        return failed;
    }
    if (file.size() > maxBytes) {
        failed.error = QStringLiteral("Die Hive-Datei \"%1\" ist zu groß.").arg(path);
        return failed;
    }
    const QByteArray primary = file.readAll();
    if (primary.size() != file.size()) {
        failed.error = readError(path, file);
        return failed;
    }
    QList<QByteArray> logs;
    if (primary.size() >= HiveFormat::BaseBlockSize && hasSignature(primary)
        && (!baseBlockValid(primary) || u32(primary, PrimarySequence) != u32(primary, SecondarySequence))) {
        for (const QString& logPath : logFiles(path)) {
            QFile log(logPath);
            if (log.open(QIODevice::ReadOnly) && log.size() <= HiveFormat::MaxLogBytes)
                logs << log.readAll();
        }
    }
    return replay(primary, logs);
}
