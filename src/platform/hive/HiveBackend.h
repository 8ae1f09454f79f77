#pragma once

// A registry made of hive files: each hive (or a key inside one) is mounted at a path of the registry
// ("HKEY_LOCAL_MACHINE\SOFTWARE", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet");
// the keys above the mounts exist only here and cannot be written. Read-only unless a hive was opened
// for writing; outside a batch every change is committed to its hive before the call returns.

#include "platform/FileBackedRegistry.h"
#include "platform/hive/HiveFile.h"

#include <QHash>

#include <memory>
#include <mutex>

struct HiveMount {
    QString path;          // full registry path of the mount, root key name first
    int file = 0;          // index into the backend's files
    QStringList inside;    // path inside the hive to the mounted key (empty: its root)
};

class HiveBackend final : public FileBackedRegistry {
public:
    // Mounts whose key inside the hive is missing are left out with a warning.
    HiveBackend(std::vector<std::unique_ptr<HiveFile>> files, const QVector<HiveMount>& mounts,
                QStringList warnings);

    // What was damaged, missing or replayed, for the user (German).
    [[nodiscard]] QStringList warnings() const;
    [[nodiscard]] int fileCount() const { return int(m_files.size()); }
    [[nodiscard]] bool writable() const;
    // Ids of this backend: virtual keys are small, hive keys carry their mount in the high bits.
    static constexpr int MountShift = 40;

    LONG predefinedKey(HKEY hkey, KeyId* id) override;
    LONG openKey(KeyId base, const QStringList& path, REGSAM access, KeyId* id) override;
    LONG createKey(KeyId base, const QStringList& path, REGSAM access, KeyId* id, DWORD* disposition) override;
    [[nodiscard]] bool keyAlive(KeyId id) override;
    LONG subKeys(KeyId id, QStringList* names, QVector<quint64>* lastWrite) override;
    LONG branchKeys(KeyId id, bool subKeysOnly, int limit, QString* position, QVector<BackendBranchKey>* keys) override;
    LONG values(KeyId id, QVector<BackendValue>* values) override;
    LONG queryValue(KeyId id, const QString& name, DWORD* type, QByteArray* data) override;
    LONG setValue(KeyId id, const QString& name, DWORD type, QByteArrayView data) override;
    LONG deleteValue(KeyId id, const QString& name) override;
    LONG deleteKey(KeyId id) override;
    [[nodiscard]] bool readOnly() const override { return !writable(); }

private:
    struct Child {
        QString name;
        KeyId id = 0;
        quint64 lastWrite = 0;
    };
    struct Virtual {
        QString name;
        KeyId parent = 0;
    };
    struct Mount {
        int file = 0;
        HiveNodeId root = 0;
        KeyId parent = 0; // the key the mount shows below (0 for a root key)
        QString name;
    };
    struct Children {
        QVector<Child> list;          // in the hive's order: upper-cased names by UTF-16 code units
        QHash<QString, int> byUpper;  // upper-cased name -> index
    };

    [[nodiscard]] KeyId virtualKey(const QString& name, KeyId parent);
    [[nodiscard]] KeyId resolve(const QStringList& path);
    void mount(const HiveMount& m, QStringList* warnings);
    [[nodiscard]] bool isVirtual(KeyId id) const { return id > 0 && id <= KeyId(m_virtuals.size()); }
    [[nodiscard]] int mountOf(KeyId id) const { return int(id >> MountShift) - 1; }
    [[nodiscard]] HiveNodeId nodeOf(KeyId id) const { return HiveNodeId(id & ((KeyId(1) << MountShift) - 1)); }
    [[nodiscard]] KeyId hiveKey(int mount, HiveNodeId node) const
    {
        return (KeyId(mount + 1) << MountShift) | KeyId(node);
    }
    [[nodiscard]] HiveFile* fileOf(KeyId id) const;
    LONG commitFiles() override;
    [[nodiscard]] bool known(KeyId id) const override;
    [[nodiscard]] const Children& children(KeyId id);
    [[nodiscard]] KeyId parentOf(KeyId id) const;
    [[nodiscard]] QString nameOf(KeyId id) const;
    [[nodiscard]] QString pathOf(KeyId id) const override;
    [[nodiscard]] quint64 lastWriteOf(KeyId id) const override;
    LONG changed(KeyId id, DWORD bits, LONG rc);
    LONG refuse(const HiveFile* file);

    std::vector<std::unique_ptr<HiveFile>> m_files;
    QVector<Virtual> m_virtuals;
    QVector<Mount> m_mounts;
    QHash<KeyId, QVector<Child>> m_extra; // mounted keys shown below a key
    QHash<KeyId, Children> m_children;    // cache, dropped by every change
    QHash<HKEY, KeyId> m_predefined;
    QStringList m_warnings;
};
