#pragma once

// Value data longer than one cell holds, as the hive format keeps it from version 1.4 on: a "db" record
// naming a list of segments of at most SegmentSize bytes each. The hive library writes such data as one
// oversized cell; a commit rewrites those cells here, in the written image, before it is published.

#include <QByteArray>
#include <QVector>

namespace HiveBigData {

// The most data one cell carries; longer data needs segments.
constexpr qsizetype SegmentSize = 16344;
// The first minor version of the format that knows segmented data.
constexpr quint32 FirstMinorVersion = 4;

// For each value cell (file offsets of "vk" cells) whose data lies in one cell longer than SegmentSize:
// the data is copied into segments in a new hive bin appended after the last one, the value points at
// its "db" record, the old cell is marked free, and the base block's bins size and checksum follow.
// Values already segmented, inline or short are left alone. False (image untouched) when a cell is not
// what its value says.
[[nodiscard]] bool segment(QByteArray* image, const QVector<quint32>& valueCells, int* converted = nullptr);

} // namespace HiveBigData
