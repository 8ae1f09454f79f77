#pragma once

// Lines of a registry file read, decoded and, where they are value lines or byte lists, parsed by a
// thread of their own while the importer writes the lines before them into the store. The queue
// between the two is bounded, so that memory stays small whatever the file's size.

#include "regfile/RegFileLineSource.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

class RegPrefetchLineSource final : public RegFileLineSource {
public:
    explicit RegPrefetchLineSource(std::unique_ptr<RegFileLineSource> lines);
    // Stops the reading thread, also when the importer stopped early.
    ~RegPrefetchLineSource() override;
    RegPrefetchLineSource(const RegPrefetchLineSource&) = delete;
    RegPrefetchLineSource& operator=(const RegPrefetchLineSource&) = delete;

    [[nodiscard]] bool next(QStringView* line) override;
    [[nodiscard]] QString error() const override;
    [[nodiscard]] RegPreparsedLine* preparsed(RegFileFormat format) override;

private:
    struct Chunk {
        QStringList lines;
        std::vector<RegPreparsedLine> parsed;
    };
    void produce();
    void preparse(QStringView line, RegPreparsedLine* out);

    std::unique_ptr<RegFileLineSource> m_source; // used by the reading thread only
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Chunk> m_queue;
    std::deque<Chunk> m_spent; // read by the importer, freed by the reading thread
    bool m_ended = false;    // the thread read the last line
    bool m_stopping = false; // the importer went away
    QString m_error;
    Chunk m_chunk; // the importer's
    qsizetype m_index = -1;
    bool m_formatKnown = false; // the reading thread's view of the header (its own)
    bool m_formatRefused = false;
    RegFileFormat m_format = RegFileFormat::Regedit4;
    std::thread m_thread;
};
