#include "regfile/RegFileLineSource.h"

#include "platform/TextCodec.h"
#include "regfile/RegValueLineParser.h"

#include <QIODevice>

#include <cstring>

namespace {
constexpr qint64 ChunkSize = 256 * 1024;
}

bool RegDeviceLineSource::fill()
{
    if (m_atEnd)
        return false;
    m_chunk.resize(ChunkSize);
    const qint64 n = m_device.read(m_chunk.data(), ChunkSize);
    if (n <= 0) {
        // A device that fails is not a file that ended: what follows was never seen.
        if (n < 0)
            m_error = QStringLiteral("Lesefehler: ") + m_device.errorString();
        m_chunk.clear();
        m_atEnd = true;
        return false;
    }
    m_chunk.resize(n);
    m_pos = 0;
    return true;
}

bool RegDeviceLineSource::nextBytes(QByteArray* line)
{
    line->resize(0); // keeps the capacity for the next line
    bool any = false;
    while (true) {
        // A line cut short by a read error is not a line of the file.
        if (m_pos >= m_chunk.size() && !fill())
            return any && m_error.isEmpty();
        if (m_skipLf) {
            m_skipLf = false;
            if (m_chunk[m_pos] == '\n') {
                ++m_pos;
                continue;
            }
        }
        const char* begin = m_chunk.constData() + m_pos;
        const qsizetype rest = m_chunk.size() - m_pos;
        qsizetype len = 0;
        while (len < rest && begin[len] != '\n' && begin[len] != '\r')
            ++len;
        if (line->size() + len > m_maxLineBytes) {
            m_error = RegFileTexts::BadLine;
            m_atEnd = true;
            line->resize(0);
            return false;
        }
        line->append(begin, len);
        any = true;
        m_pos += len;
        if (len < rest) {
            m_skipLf = begin[len] == '\r';
            ++m_pos;
            return true;
        }
    }
}

bool RegDeviceLineSource::next(QString* line)
{
    if (!nextBytes(&m_lineBytes))
        return false;
    *line = TextCodec::decode(m_lineBytes);
    return true;
}

bool RegListLineSource::next(QString* line)
{
    if (m_index >= m_lines.size())
        return false;
    *line = m_lines[m_index++];
    return true;
}
