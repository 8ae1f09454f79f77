#include "regfile/RegFilePrefetch.h"

#include <utility>

namespace {

// Lines handed over at once, and chunks waiting at most: little enough that the lines are still in the
// processor's cache when the importer takes them.
constexpr qsizetype LinesPerChunk = 256;
constexpr size_t MaxChunks = 8;
// The reader is woken when this few chunks are left, and then fills the queue in one go.
constexpr size_t RefillAt = MaxChunks / 2;

} // namespace

RegPrefetchLineSource::RegPrefetchLineSource(std::unique_ptr<RegFileLineSource> lines) : m_source(std::move(lines))
{
    m_thread = std::thread([this] { produce(); });
}

RegPrefetchLineSource::~RegPrefetchLineSource()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

// Mirrors the reader's view of a line: the first line that is neither empty nor a comment is the header;
// after it, lines that begin with "@" or a quote are value lines, and lines that are no key line may
// continue a byte list. The reader uses a parse only where it would have parsed that same text.
void RegPrefetchLineSource::preparse(QStringView rawLine, RegPreparsedLine* out)
{
    QStringView line = RegValueLineParser::trimLine(rawLine);
    if (line.isEmpty() || line.startsWith(u';') || m_formatRefused)
        return;
    if (!m_formatKnown) {
        if (line.compare(RegFileHeaders::Regedit4, Qt::CaseInsensitive) == 0)
            m_format = RegFileFormat::Regedit4;
        else if (line.startsWith(RegFileHeaders::Version5, Qt::CaseInsensitive))
            m_format = RegFileFormat::Version5;
        else
            m_formatRefused = true;
        m_formatKnown = !m_formatRefused;
        return;
    }
    if (line.startsWith(u'['))
        return;
    if (m_format == RegFileFormat::Version5)
        line = RegValueLineParser::stripComment(line);
    out->format = m_format;
    if (line.startsWith(u'@') || line.startsWith(u'"')) {
        out->kind = RegPreparsedLine::Kind::Value;
        out->result = RegValueLineParser::parseValueLine(line, &out->value, m_format);
        const RegValueKind kind = out->value.Kind;
        if (out->result.ok && (kind == RegValueKind::String || kind == RegValueKind::DWord))
            out->stored = RegValueLineParser::storedData(out->value);
    } else {
        out->kind = RegPreparsedLine::Kind::Bytes;
        out->result = RegValueLineParser::parseHexBytes(line, &out->bytes);
    }
}

void RegPrefetchLineSource::produce()
{
    bool more = true;
    while (more) {
        Chunk chunk;
        chunk.lines.reserve(LinesPerChunk);
        chunk.parsed.resize(size_t(LinesPerChunk));
        QStringView line;
        while (chunk.lines.size() < LinesPerChunk && (more = m_source->next(&line))) {
            preparse(line, &chunk.parsed[size_t(chunk.lines.size())]);
            chunk.lines.append(line.toString());
        }
        chunk.parsed.resize(size_t(chunk.lines.size()));
        std::deque<Chunk> spent; // freed here, after the lock, rather than by the importer
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_stopping || m_queue.size() < MaxChunks; });
        if (m_stopping)
            return;
        spent.swap(m_spent);
        if (!chunk.lines.isEmpty())
            m_queue.push_back(std::move(chunk));
        if (!more) {
            m_error = m_source->error();
            m_ended = true;
        }
        // only an empty queue can have the importer waiting
        const bool wake = m_ended || m_queue.size() == 1;
        lock.unlock();
        if (wake)
            m_changed.notify_all();
    }
}

bool RegPrefetchLineSource::next(QStringView* line)
{
    if (++m_index >= m_chunk.lines.size()) {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_queue.empty() || m_ended; });
        if (m_queue.empty())
            return false;
        m_spent.push_back(std::exchange(m_chunk, std::move(m_queue.front())));
        m_queue.pop_front();
        m_index = 0;
        const bool wake = m_queue.size() <= RefillAt;
        lock.unlock();
        if (wake)
            m_changed.notify_all();
    }
    *line = m_chunk.lines.at(m_index);
    return true;
}

QString RegPrefetchLineSource::error() const
{
    std::lock_guard lock(m_mutex);
    return m_ended && m_queue.empty() ? m_error : QString();
}

RegPreparsedLine* RegPrefetchLineSource::preparsed(RegFileFormat format)
{
    if (m_index < 0 || m_index >= m_chunk.lines.size())
        return nullptr;
    RegPreparsedLine& p = m_chunk.parsed[size_t(m_index)];
    return p.kind == RegPreparsedLine::Kind::None || p.format != format ? nullptr : &p;
}
