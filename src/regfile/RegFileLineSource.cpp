#include "regfile/RegFileLineSource.h"

#include "platform/TextCodec.h"
#include "regfile/RegValueLineParser.h"

#include <QIODevice>
#include <QtEndian>

namespace {
constexpr qint64 ChunkSize = 256 * 1024;

QString readError(QIODevice& device)
{
    return QStringLiteral("Lesefehler: ") + device.errorString();
}

// The rest of the device; a device that fails leaves its reason in *error.
QByteArray readRest(QIODevice& device, QString* error)
{
    QByteArray bytes;
    if (const qint64 size = device.size() - device.pos(); !device.isSequential() && size > 0)
        bytes.reserve(size + ChunkSize); // the last read asks for a whole chunk
    while (true) {
        const qsizetype start = bytes.size();
        bytes.resize(start + ChunkSize);
        const qint64 n = device.read(bytes.data() + start, ChunkSize);
        bytes.resize(start + qMax<qint64>(n, 0));
        if (n <= 0) {
            if (n < 0)
                *error = readError(device);
            return bytes;
        }
    }
}

bool isLineEnd(char16_t c)
{
    return c == u'\r' || c == u'\n';
}

// Some tools store each UTF-16 code unit of a text once more as UTF-16: "W" becomes 57 00 00 00. Read
// once, such a text is the original's bytes as characters, every second one zero. Line ends that a
// tool appended afterwards in plain UTF-16 stand alone among the pairs and are kept as they are.
bool looksDoubled(const QString& text, qsizetype start)
{
    return text.size() - start >= 4 && text[start] != u'\0' && text[start + 1] == u'\0' && text[start + 2] != u'\0'
           && text[start + 3] == u'\0';
}

void undouble(QString& text)
{
    qsizetype start = 0;
    if (text.startsWith(QStringView(u"\u00FF\u00FE")))
        start = 2; // the original's byte-order mark
    if (!looksDoubled(text, start))
        return;
    char16_t* p = reinterpret_cast<char16_t*>(text.data());
    const qsizetype n = text.size();
    qsizetype out = 0;
    for (qsizetype i = start; i < n;) {
        const char16_t low = p[i];
        const char16_t high = i + 1 < n ? p[i + 1] : u'\0';
        if (i + 1 < n && low <= 0xFF && high <= 0xFF && !(isLineEnd(low) && high != 0)) {
            p[out++] = char16_t(high << 8 | low);
            i += 2;
        } else {
            p[out++] = low;
            ++i;
        }
    }
    text.truncate(out);
}

} // namespace

bool RegDeviceLineSource::fill()
{
    if (m_atEnd)
        return false;
    m_chunk.resize(ChunkSize);
    const qint64 n = m_device.read(m_chunk.data(), ChunkSize);
    if (n <= 0) {
        // A device that fails is not a file that ended: what follows was never seen.
        if (n < 0)
            m_error = readError(m_device);
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

bool RegDeviceLineSource::next(QStringView* line)
{
    if (!nextBytes(&m_lineBytes))
        return false;
    m_line = TextCodec::decode(m_lineBytes);
    *line = m_line;
    return true;
}

bool RegTextLineSource::next(QStringView* line)
{
    const qsizetype n = m_text.size();
    if (m_pos >= n)
        return false;
    const char16_t* p = reinterpret_cast<const char16_t*>(m_text.constData());
    qsizetype end = m_pos;
    while (end < n && !isLineEnd(p[end]))
        ++end;
    *line = QStringView(p + m_pos, end - m_pos);
    m_pos = end < n && p[end] == u'\r' && end + 1 < n && p[end + 1] == u'\n' ? end + 2 : end + 1;
    return true;
}

bool RegListLineSource::next(QStringView* line)
{
    if (m_index >= m_lines.size())
        return false;
    *line = m_lines[m_index++];
    return true;
}

namespace RegFileDecoding {

QString decodeUtf16(QByteArrayView bytes)
{
    // An odd last byte is half a character of a file cut short; it is left out.
    const qsizetype units = bytes.size() / 2;
    QString text(units, Qt::Uninitialized);
    qFromLittleEndian<char16_t>(bytes.data(), units, text.data());
    undouble(text);
    return text;
}

std::unique_ptr<RegFileLineSource> openLines(QIODevice& device)
{
    const QByteArray head = device.peek(3);
    const bool bom16 = head.startsWith("\xFF\xFE");
    if (bom16 || (head.size() >= 2 && head[0] != '\0' && head[1] == '\0')) {
        if (bom16)
            device.skip(2);
        QString error;
        QString text = decodeUtf16(readRest(device, &error));
        if (!error.isEmpty()) // a line cut short by a read error is not a line of the file
            text.truncate(qMax(text.lastIndexOf(u'\n'), text.lastIndexOf(u'\r')) + 1);
        return std::make_unique<RegTextLineSource>(std::move(text), error);
    }
    if (head.startsWith("\xEF\xBB\xBF"))
        device.skip(3);
    return std::make_unique<RegDeviceLineSource>(device);
}

} // namespace RegFileDecoding
