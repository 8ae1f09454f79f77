#pragma once

// Reading text files line by line with a bound on the line length. QIODevice::readLine(maxSize)
// allocates maxSize bytes for every line, so a file of many short lines under a generous bound costs a
// large allocation per line; this reads a line in small pieces instead.

#include <QByteArray>
#include <QIODevice>

#include <algorithm>

// The next line with its line end, at most maxBytes bytes, into line (its capacity is kept between
// calls). False when nothing was left to read. A line longer than maxBytes comes back cut, without "\n".
[[nodiscard]] inline bool ReadBoundedLine(QIODevice& device, QByteArray& line, qint64 maxBytes)
{
    line.resize(0);
    char piece[4096];
    while (line.size() < maxBytes) {
        // readLine() keeps one byte of the buffer for its terminator.
        const qint64 want = std::min<qint64>(qint64(sizeof piece), maxBytes - line.size() + 1);
        const qint64 n = device.readLine(piece, want);
        if (n <= 0)
            break;
        line.append(piece, qsizetype(n));
        if (piece[n - 1] == '\n')
            break;
    }
    return !line.isEmpty();
}
