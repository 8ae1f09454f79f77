#pragma once

// One hive file opened through the hive library: its keys read once into a table (each key under the
// one parent it was first found below, so that a damaged list that loops or names a key twice cannot
// make a walk endless), values read on demand, names and string data carried exactly between the
// hive's UTF-16 (or Latin-1) and the program's text. Writing (HiveWriter.cpp) works on the library's
// copy in memory and commits it through a temporary file, fsync and rename, keeping FILE.bak.

#include "platform/RegistryBackend.h"

#include <QHash>
#include <QSet>

#include <memory>

struct hive_h;
using HiveNodeId = size_t;

struct HiveNode {
    HiveNodeId parent = 0;
    QString name;
    quint64 lastWrite = 0; // FILETIME ticks
    QVector<HiveNodeId> children;
};

class HiveFile final {
public:
    // The last step of a commit: moves the written temporary file over the hive. Tests put a failing
    // one in its place.
    using Publish = bool (*)(const QString& from, const QString& to);

    // Opens path (and replays its logs). write asks for a hive that can be changed: refused, with
    // *error, when the hive is dirty. *warnings receives what was damaged but readable.
    [[nodiscard]] static std::unique_ptr<HiveFile> open(const QString& path, bool write, QString* error,
                                                        QStringList* warnings);
    ~HiveFile();
    HiveFile(const HiveFile&) = delete;
    HiveFile& operator=(const HiveFile&) = delete;

    [[nodiscard]] QString path() const { return m_path; }
    [[nodiscard]] bool writable() const { return m_writable; }
    [[nodiscard]] HiveNodeId root() const { return m_root; }
    [[nodiscard]] const HiveNode* node(HiveNodeId id) const;
    // A child of parent by the Windows case rules; 0 when there is none.
    [[nodiscard]] HiveNodeId child(HiveNodeId parent, QStringView name) const;
    [[nodiscard]] qsizetype keyCount() const { return m_nodes.size(); }
    // Values in the hive's order; values that cannot be read are left out and reported in *warnings.
    [[nodiscard]] qint64 valueCount(HiveNodeId node) const;
    LONG values(HiveNodeId node, QVector<BackendValue>* values, QStringList* warnings = nullptr);

    // Changes in memory; ERROR_ACCESS_DENIED when not writable, ERROR_INVALID_PARAMETER for what the hive
    // library cannot write safely (names holding NUL, data over about a million bytes),
    // ERROR_FILE_TOO_LARGE for data over 16,344 bytes in a hive older than version 1.4. Longer data is
    // written in segments by the commit.
    LONG setValue(HiveNodeId node, const QString& name, DWORD type, QByteArrayView data);
    LONG deleteValue(HiveNodeId node, const QString& name);
    LONG addChild(HiveNodeId parent, const QString& name, HiveNodeId* child);
    // The key must have no subkeys.
    LONG deleteChild(HiveNodeId node);
    [[nodiscard]] bool pending() const { return m_pending; }
    // Writes the changes: the first commit keeps the previous file as FILE.bak. ERROR_SUCCESS, or a
    // Windows code with the hive on disk as it was.
    LONG commit(Publish publish = nullptr);

    // String data (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) between the hive's UTF-16LE and the program's
    // UTF-8, zeros and what follows them included; bytes that are no exact text of the other form stay
    // as they are.
    [[nodiscard]] static QByteArray utf16ToProgram(QByteArrayView utf16);
    [[nodiscard]] static QByteArray programToUtf16(QByteArrayView utf8);
    [[nodiscard]] static bool isStringType(DWORD type);

private:
    HiveFile() = default;
    void readKeys(QStringList* warnings);
    [[nodiscard]] QString nodeName(HiveNodeId id) const;
    [[nodiscard]] bool rawValueName(HiveNodeId node, size_t value, QString* name) const;
    LONG rewriteValues(HiveNodeId node, const QString& name, const BackendValue* replacement);
    [[nodiscard]] bool segmentBigData(const QString& temp, QByteArray* segmented);
    // Makes bytes (this hive as committed) the library's copy and the image names are read from.
    [[nodiscard]] bool adopt(QByteArray bytes);

    QString m_path;
    hive_h* m_hive = nullptr;
    QByteArray m_image; // the bytes the table was read from; names are taken from here exactly
    bool m_writable = false;
    quint32 m_minorVersion = 0;
    HiveNodeId m_root = 0;
    QHash<HiveNodeId, HiveNode> m_nodes;
    QSet<HiveNodeId> m_touched; // keys whose values live only in the library's copy
    bool m_pending = false;
    bool m_bigPending = false; // the library's copy holds data the commit must segment
    bool m_backedUp = false;
};
