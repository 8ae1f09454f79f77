#pragma once

// Applies "REGEDIT4" lines to the registry: every key line creates and opens its key, every value line
// is written into the key opened last. Each line is checked as it comes; the first line that breaks
// the format stops the import with its reason in LastRegFileError(). All writes go through one
// accessor of the import's own (read and write access) inside a batch of the store, so a large file
// is applied quickly and a crash loses nothing already committed.

#include "platform/WinTypes.h"
#include "regfile/RegValueLineParser.h"

#include <QByteArray>
#include <QString>

#include <memory>

class Progress;
class RegFileLineSource;
class RegistryAccessor;
class RegBatch;

class RegFileReader final {
public:
    explicit RegFileReader(Progress& progress);
    ~RegFileReader();
    RegFileReader(const RegFileReader&) = delete;
    RegFileReader& operator=(const RegFileReader&) = delete;

    // True when the last key line opened its key, no line failed and every value was written.
    [[nodiscard]] bool run(RegFileLineSource& lines);

    [[nodiscard]] int failedWrites() const { return m_failedWrites; }

private:
    enum class State { ExpectHeader, Normal, InByteList };
    enum class Outcome { Continue, Stop };

    [[nodiscard]] Outcome processLine(QStringView line);
    [[nodiscard]] Outcome keyLine(QStringView path);
    [[nodiscard]] Outcome valueLine(QStringView line);
    [[nodiscard]] Outcome continuationLine(QStringView line);
    void write(const QString& name, DWORD type, const QByteArray& data);

    Progress& m_progress;
    std::unique_ptr<RegistryAccessor> m_reg;
    std::unique_ptr<RegBatch> m_batch;
    HKEY m_root = 0;
    State m_state = State::ExpectHeader;
    bool m_keyOpen = false;
    bool m_writeDenied = false; // the key named last exists but cannot be written
    int m_failedWrites = 0;
    TRegValueLine m_parsed;
    TRegValueLine m_pending; // the byte value whose list continues
};
