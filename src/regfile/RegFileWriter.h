#pragma once

// Writes registry branches as "REGEDIT4" text: the header, then per key an empty line, the key line
// and its value lines. Keys are visited through a sorted pending list, so a key is normally followed
// by its own subtree before its next sibling; values are written in name order.

#include "platform/WinTypes.h"
#include "registry/TRegValue.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QCollator>
#include <QString>
#include <QStringView>

class Progress;
class QIODevice;

class RegFileWriter final {
public:
    RegFileWriter(QIODevice& device, Progress& progress);
    RegFileWriter(const RegFileWriter&) = delete;
    RegFileWriter& operator=(const RegFileWriter&) = delete;

    [[nodiscard]] bool writeHeader();
    // Writes the branch at keyPath on CurrentMachine. False when the export must end: the root key
    // cannot be selected, the user cancelled, or the device refused to write.
    [[nodiscard]] bool writeBranch(const QString& keyPath);
    // Writes what is still buffered.
    [[nodiscard]] bool flush();
    [[nodiscard]] bool writeFailed() const { return m_writeFailed; }

    // One value line (without its CR LF), as the file holds it: "Name"=data or @=data.
    [[nodiscard]] static QByteArray valueLine(const QString& name, const TRegValue& value);
    static void appendValueLine(QByteArray& out, const QString& name, const TRegValue& value);
    // The byte list of WrapHexBytes for a line whose first prefixLength bytes are already written.
    static void appendHexBytes(QByteArray& out, qsizetype prefixLength, QByteArrayView data);

private:
    [[nodiscard]] bool exportKey(HKEY key, const QString& path, QStringList* subKeys);
    [[nodiscard]] bool stepAndContinue();
    void append(QByteArrayView bytes);

    QIODevice& m_device;
    Progress& m_progress;
    QCollator m_collator;
    QByteArray m_buffer;
    bool m_writeFailed = false;
};
