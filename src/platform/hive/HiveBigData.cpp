#include "platform/hive/HiveBigData.h"

#include "platform/hive/HiveImage.h"

#include <QtEndian>

#include <cstring>

namespace {

constexpr qsizetype BinsStart = HiveFormat::BaseBlockSize; // cell offsets in the hive count from here
constexpr qsizetype LastWrittenAt = 12;
constexpr qsizetype BinsSizeAt = 40;
constexpr qsizetype ChecksumAt = 508;
constexpr qsizetype BinHeaderSize = 32;
constexpr qsizetype PageSize = 4096;
constexpr qsizetype MaxSegments = 0xFFFF;

// "vk" cell: size, "vk", name length (2), data length (4, top bit: inline), data cell (4), type ...
constexpr qsizetype VkDataLength = 8;
constexpr qsizetype VkDataCell = 12;
constexpr qsizetype VkMinimum = 24;

struct BigValue {
    qsizetype vk = 0;
    qsizetype cell = 0;
    qsizetype length = 0;
};

quint32 get32(const QByteArray& b, qsizetype at)
{
    return qFromLittleEndian<quint32>(b.constData() + at);
}

void put32(char* at, quint32 v)
{
    qToLittleEndian<quint32>(v, at);
}

qsizetype align8(qsizetype n)
{
    return (n + 7) & ~qsizetype(7);
}

qsizetype segmentCount(qsizetype length)
{
    return (length + HiveBigData::SegmentSize - 1) / HiveBigData::SegmentSize;
}

// A segment's cell keeps four bytes more than its data: readers that take a cell's size less eight as
// its data (the hive library does) then read every byte of the last, short segment too.
qsizetype segmentCell(qsizetype data)
{
    return align8(data + 8);
}

// The bytes a value needs in the new bin: the db record, the segment list, the segments.
qsizetype bytesFor(qsizetype length)
{
    qsizetype bytes = 16 + align8(4 + 4 * segmentCount(length));
    for (qsizetype done = 0; done < length; done += HiveBigData::SegmentSize)
        bytes += segmentCell(std::min(HiveBigData::SegmentSize, length - done));
    return bytes;
}

// Whether the value at vk keeps its data in one oversized cell (*big filled), is fine as it is (true,
// big->length 0) or is not a sound value (false).
bool inspect(const QByteArray& image, qsizetype end, qsizetype vk, BigValue* big)
{
    *big = BigValue{};
    if (vk < BinsStart || vk + VkMinimum > end || std::memcmp(image.constData() + vk + 4, "vk", 2) != 0)
        return false;
    const quint32 length = get32(image, vk + VkDataLength);
    if ((length & 0x80000000u) || length <= quint32(HiveBigData::SegmentSize))
        return true;
    const qsizetype cell = BinsStart + qsizetype(get32(image, vk + VkDataCell));
    if (cell + 8 > end)
        return false;
    const qint64 size = -qint64(qint32(get32(image, cell)));
    if (size <= 0 || cell + size > end)
        return false;
    if (size < qint64(length) + 4)
        return std::memcmp(image.constData() + cell + 4, "db", 2) == 0; // segmented already
    if (segmentCount(length) > MaxSegments)
        return false;
    *big = BigValue{vk, cell, qsizetype(length)};
    return true;
}

// Writes the value's db record, list and segments into bin at *at; the value's cells in image follow.
void writeSegments(QByteArray& image, char* bin, qsizetype binOffset, qsizetype* at, const BigValue& big)
{
    const auto relative = [binOffset](qsizetype inBin) { return quint32(binOffset + inBin - BinsStart); };
    const qsizetype segments = segmentCount(big.length);
    const qsizetype db = *at;
    const qsizetype list = db + 16;
    put32(bin + db, quint32(-16));
    std::memcpy(bin + db + 4, "db", 2);
    qToLittleEndian<quint16>(quint16(segments), bin + db + 6);
    put32(bin + db + 8, relative(list));
    const qsizetype listSize = align8(4 + 4 * segments);
    put32(bin + list, quint32(-qint32(listSize)));
    qsizetype next = list + listSize;
    for (qsizetype i = 0; i < segments; ++i) {
        const qsizetype data = std::min(HiveBigData::SegmentSize, big.length - i * HiveBigData::SegmentSize);
        put32(bin + list + 4 + 4 * i, relative(next));
        put32(bin + next, quint32(-qint32(segmentCell(data))));
        std::memcpy(bin + next + 4, image.constData() + big.cell + 4 + i * HiveBigData::SegmentSize, size_t(data));
        next += segmentCell(data);
    }
    *at = next;
    put32(image.data() + big.vk + VkDataCell, relative(db));
    // The oversized cell is free now: a positive size.
    put32(image.data() + big.cell, quint32(-qint32(get32(image, big.cell))));
}

} // namespace

namespace HiveBigData {

bool segment(QByteArray* image, const QVector<quint32>& valueCells, int* converted)
{
    if (converted)
        *converted = 0;
    if (image->size() < BinsStart)
        return false;
    const qsizetype end = BinsStart + qsizetype(get32(*image, BinsSizeAt));
    if (end > image->size())
        return false;
    QVector<BigValue> bigs;
    qsizetype needed = 0;
    for (quint32 vk : valueCells) {
        BigValue big;
        if (!inspect(*image, end, qsizetype(vk), &big))
            return false;
        if (big.length) {
            bigs.append(big);
            needed += bytesFor(big.length);
        }
    }
    if (bigs.isEmpty())
        return true;

    // hbin header: "hbin", its offset from the first bin, its size, eight reserved bytes, a time stamp.
    const qsizetype binSize = (BinHeaderSize + needed + PageSize - 1) / PageSize * PageSize;
    QByteArray bin(binSize, '\0');
    std::memcpy(bin.data(), "hbin", 4);
    put32(bin.data() + 4, quint32(end - BinsStart));
    put32(bin.data() + 8, quint32(binSize));
    std::memcpy(bin.data() + 20, image->constData() + LastWrittenAt, 8);
    qsizetype at = BinHeaderSize;
    for (const BigValue& big : std::as_const(bigs))
        writeSegments(*image, bin.data(), end, &at, big);
    if (at < binSize)
        put32(bin.data() + at, quint32(binSize - at)); // the rest of the bin: one free cell

    // What lay beyond the last bin (slack some hives carry) is no hive data: the new bin takes its place.
    if (image->size() < end + binSize)
        image->resize(end + binSize);
    std::memcpy(image->data() + end, bin.constData(), size_t(binSize));
    put32(image->data() + BinsSizeAt, quint32(end + binSize - BinsStart));
    put32(image->data() + ChecksumAt, HiveFormat::baseBlockChecksum(image->constData()));
    if (converted)
        *converted = int(bigs.size());
    return true;
}

} // namespace HiveBigData
