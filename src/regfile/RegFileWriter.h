#pragma once

// Writes registry branches as "REGEDIT4" text: the header, then per key an empty line, the key line
// and its value lines, in the order of the branch walk. Every line it writes is checked to stay one
// line: a key name with a line break (which the format cannot escape) fails the export naming the key.

#include "platform/WinTypes.h"
#include "regfile/RegFileResult.h"
#include "registry/BranchWalker.h"
#include "registry/TRegValue.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

class Progress;
class QIODevice;

class RegFileWriter final : public BranchVisitor {
public:
    RegFileWriter(QIODevice& device, Progress& progress);
    RegFileWriter(const RegFileWriter&) = delete;
    RegFileWriter& operator=(const RegFileWriter&) = delete;

    [[nodiscard]] RegFileResult writeHeader();
    // Writes the branch at keyPath on CurrentMachine. Fails when the root key cannot be selected, a
    // key's values or subkeys cannot be listed, a key cannot be written as a line, or the device
    // refused to write; cancelled when the user asked to stop.
    [[nodiscard]] RegFileResult writeBranch(const QString& keyPath);
    // Writes what is still buffered.
    [[nodiscard]] RegFileResult flush();

    // One value line (without its CR LF), as the file holds it: "Name"=data or @=data.
    [[nodiscard]] static QByteArray valueLine(const QString& name, const TRegValue& value);
    // Appends the value line for data as stored; false (nothing appended) when it would not stay one line.
    [[nodiscard]] static bool appendValueLine(QByteArray& out, const QString& name, DWORD type, QByteArrayView data);
    // The byte list of WrapHexBytes for a line whose first prefixLength bytes are already written.
    static void appendHexBytes(QByteArray& out, qsizetype prefixLength, QByteArrayView data);

    [[nodiscard]] WalkStep visitKey(const WalkKey& key) override;
    [[nodiscard]] WalkStep visitValue(const WalkKey& key, const WalkValue& value) override;
    // Keys below the branch that cannot be opened are left out; the branch key itself must open.
    void keyNotOpened(const QString& path, LONG code) override;

private:
    void append(QByteArrayView bytes);
    [[nodiscard]] WalkStep fail(const QString& text);

    QIODevice& m_device;
    Progress& m_progress;
    QByteArray m_buffer;
    RegFileResult m_failure; // the first failure; ok while none happened
    bool m_branchOpened = false;
};
