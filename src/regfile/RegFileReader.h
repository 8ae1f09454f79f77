#pragma once

// Applies registry-file lines to the registry: every key line creates and opens its key, every value
// line is written into the key opened last. The header decides the format. A "REGEDIT4" file stops at
// the first line that breaks the format, and the result names the reason and the line. A version 5
// file skips such a line and goes on; its result counts the skipped lines and quotes the first. All
// writes go through one accessor of the import's own (read and write access) inside a batch of the
// store, so a large file is applied quickly and a crash loses nothing already committed.

#include "platform/WinTypes.h"
#include "regfile/RegFileFormat.h"
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

    // REGEDIT4: succeeds when the file had a key line, no line failed, every value was written and
    // committed. Version 5: succeeds when no line was skipped and every change was made and committed.
    [[nodiscard]] RegFileResult run(RegFileLineSource& lines);

    [[nodiscard]] RegFileFormat format() const { return m_format; }
    [[nodiscard]] int failedWrites() const { return m_failedWrites; }
    [[nodiscard]] int skippedLines() const { return m_skipped; }

private:
    enum class State { ExpectHeader, Normal, InByteList };
    // Each line step answers false when the line cannot be applied, with the reason in m_error.
    [[nodiscard]] bool processLine(QStringView line);
    [[nodiscard]] bool headerLine(QStringView line);
    [[nodiscard]] bool keyLine(QStringView path);
    [[nodiscard]] bool deleteKeyLine(const QString& path);
    [[nodiscard]] bool selectRoot(const QString& path);
    [[nodiscard]] bool valueLine(QStringView line);
    [[nodiscard]] bool continuationLine(QStringView line);
    [[nodiscard]] bool stop(const QString& reason);
    // A version 5 line that could not be applied: counted, the first one kept for the result.
    void skip(qint64 number, QStringView line, const QString& reason);
    // Leaves a byte list that did not end; in a version 5 file that counts as a skipped line.
    void dropPending(bool atEnd = false);
    void write(const QString& name, DWORD type, const QByteArray& data);
    void writeBytes(const TRegValueLine& value);
    void deleteValue(const QString& name);
    [[nodiscard]] RegFileResult version5Result() const;
    // Closes the key and ends the batch; the batch's commit result.
    [[nodiscard]] LONG endBatch();
    [[nodiscard]] RegFileResult outcome(RegFileResult result);

    Progress& m_progress;
    RegFileLineSource* m_lines = nullptr; // during run()
    std::unique_ptr<RegistryAccessor> m_reg;
    std::unique_ptr<RegBatch> m_batch;
    HKEY m_root = 0;
    QString m_rootText; // the root part of the key line that selected m_root
    RegFileFormat m_format = RegFileFormat::Regedit4;
    State m_state = State::ExpectHeader;
    bool m_keyOpen = false;
    bool m_anyKeyLine = false;
    bool m_writeDenied = false; // the key named last exists but cannot be written
    int m_failedWrites = 0;
    QString m_error;
    TRegValueLine m_parsed;
    TRegValueLine m_pending;   // the byte value whose list continues
    bool m_pendingBroken = false; // a line of it could not be read: the rest of the list is passed over
    qint64 m_pendingLine = 0;  // where the pending value began, and its text, for a version 5 skip
    QString m_pendingText;
    qint64 m_lineNumber = 0;
    int m_skipped = 0;
    qint64 m_firstSkipLine = 0;
    QString m_firstSkip; // the first skipped line and its reason
};
