#pragma once

// Writes registry branches as a registry file: the header, then per key an empty line, the key line and
// its value lines, in the order of the branch walk. "REGEDIT4" is 8-bit text; version 5 is UTF-16LE with
// a byte-order mark, keeps every value's type and ends with an empty line. Every line it writes is
// checked to stay one line: a key name with a line break (which neither format can escape) fails the
// export naming the key.

#include "platform/WinTypes.h"
#include "regfile/RegFileFormat.h"
#include "regfile/RegFileResult.h"
#include "registry/BranchWalker.h"
#include "registry/TRegValue.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>

class Progress;
class QIODevice;

class RegFileWriter final : public BranchVisitor {
public:
    RegFileWriter(QIODevice& device, Progress& progress, RegFileFormat format = RegFileFormat::Regedit4);
    RegFileWriter(const RegFileWriter&) = delete;
    RegFileWriter& operator=(const RegFileWriter&) = delete;

    [[nodiscard]] RegFileResult writeHeader();
    // Writes the branch at keyPath on CurrentMachine. Fails when the root key cannot be selected, a
    // key's values or subkeys cannot be listed, a key cannot be written as a line, or the device
    // refused to write; cancelled when the user asked to stop.
    [[nodiscard]] RegFileResult writeBranch(const QString& keyPath);
    // Ends the file (version 5: its closing empty line) and writes what is still buffered.
    [[nodiscard]] RegFileResult finish();
    // Writes what is still buffered.
    [[nodiscard]] RegFileResult flush();
    // REGEDIT4 only: the values written as hex(0) because the format has no code for their type
    // (REG_QWORD and every type above 10), one "[key] name (type)" each.
    [[nodiscard]] const QStringList& lostTypes() const { return m_lostTypes; }

    // One value line (without its CR LF), as the file holds it: "Name"=data or @=data.
    [[nodiscard]] static QByteArray valueLine(const QString& name, const TRegValue& value);
    // Appends the value line for data as stored; false (nothing appended) when it would not stay one line.
    [[nodiscard]] static bool appendValueLine(QByteArray& out, const QString& name, DWORD type, QByteArrayView data);
    // The byte list of WrapHexBytes for a line whose first prefixLength bytes are already written.
    static void appendHexBytes(QByteArray& out, qsizetype prefixLength, QByteArrayView data);
    // A version 5 value line (without its CR LF). Strings are written as text when that reads back to
    // the same data, otherwise as hex(1); string types' bytes are UTF-16LE; hex digits are lower-case
    // and a line is continued after the byte that takes it past column 76.
    static void appendValueLine5(QString& out, const QString& name, DWORD type, QByteArrayView data);

    [[nodiscard]] WalkStep visitKey(const WalkKey& key) override;
    [[nodiscard]] WalkStep visitValue(const WalkKey& key, const WalkValue& value) override;
    // Keys below the branch that cannot be opened are left out; the branch key itself must open.
    void keyNotOpened(const QString& path, LONG code) override;

private:
    void append(QByteArrayView bytes);
    void append(QStringView text);
    [[nodiscard]] WalkStep fail(const QString& text);

    QIODevice& m_device;
    Progress& m_progress;
    RegFileFormat m_format;
    QByteArray m_buffer;
    QString m_text; // version 5 text not yet in m_buffer
    QStringList m_lostTypes;
    RegFileResult m_failure; // the first failure; ok while none happened
    bool m_branchOpened = false;
};
