#pragma once

// Applies "REGEDIT4" lines to the registry: every key line creates and opens its key, every value line
// is written into the key opened last. Each line is checked as it comes; the first line that breaks
// the format stops the import, and the result names the reason and the line. All writes go through one
// accessor of the import's own (read and write access) inside a batch of the store, so a large file
// is applied quickly and a crash loses nothing already committed.

#include "platform/WinTypes.h"
#include "regfile/RegFileResult.h"
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

    // Succeeds when the file had a key line, no line failed, every value was written and committed.
    [[nodiscard]] RegFileResult run(RegFileLineSource& lines);

    [[nodiscard]] int failedWrites() const { return m_failedWrites; }

private:
    enum class State { ExpectHeader, Normal, InByteList };
    // Each line step answers false to stop the import, with the reason in m_error.
    [[nodiscard]] bool processLine(QStringView line);
    [[nodiscard]] bool keyLine(QStringView path);
    [[nodiscard]] bool valueLine(QStringView line);
    [[nodiscard]] bool continuationLine(QStringView line);
    [[nodiscard]] bool stop(const QString& reason);
    void write(const QString& name, DWORD type, const QByteArray& data);
    // Closes the key and ends the batch; the batch's commit result.
    [[nodiscard]] LONG endBatch();
    [[nodiscard]] RegFileResult outcome(RegFileResult result);

    Progress& m_progress;
    std::unique_ptr<RegistryAccessor> m_reg;
    std::unique_ptr<RegBatch> m_batch;
    HKEY m_root = 0;
    State m_state = State::ExpectHeader;
    bool m_keyOpen = false;
    bool m_writeDenied = false; // the key named last exists but cannot be written
    int m_failedWrites = 0;
    QString m_error;
    TRegValueLine m_parsed;
    TRegValueLine m_pending; // the byte value whose list continues
};
