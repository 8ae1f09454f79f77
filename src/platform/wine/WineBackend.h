#pragma once

// The registry of a Wine prefix: system.reg as HKEY_LOCAL_MACHINE, user.reg as HKEY_CURRENT_USER and
// HKEY_USERS\<the user's SID>, userdef.reg as HKEY_USERS\.Default, HKEY_LOCAL_MACHINE\Software\Classes
// as HKEY_CLASSES_ROOT. Link keys ("#link" with SymbolicLinkValue) lead to their target, as in Wine.
// Read-only unless opened for writing and no wineserver runs for the prefix; outside a batch every
// change is written to its file before the call returns (temporary file and rename; the first write
// of a file keeps the previous one as FILE.bak).

#include "platform/FileBackedRegistry.h"
#include "platform/wine/WineRegFile.h"

#include <QHash>

#include <array>
#include <memory>
#include <mutex>

class WineBackend final : public FileBackedRegistry {
public:
    // Null with a German *error when the folder is no prefix or a file cannot be read. A wineserver
    // running for the prefix makes it read-only, with WinePrefix::ServerRunningMessage in *warning.
    [[nodiscard]] static std::shared_ptr<WineBackend> open(const QString& prefix, bool write, QString* error,
                                                           QString* warning = nullptr);

    [[nodiscard]] QString prefix() const { return m_prefix; }
    [[nodiscard]] QString driveFolder(QChar drive) const { return m_drives.value(drive.toUpper()); }

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
    [[nodiscard]] bool readOnly() const override { return !m_writable; }

private:
    enum File { System, User, UserDefault, FileCount };
    // A key id: its file and index, and the view it was reached in. A key reached through a link gets a
    // view of its own, so that a walk that meets it at two paths sees two keys.
    static constexpr int FileShift = 32;
    static constexpr int ViewShift = 34;
    struct Child {
        QString name;
        KeyId id = 0; // where it leads (a link's target)
        KeyId own = 0; // the key itself, for its time
    };
    struct Children {
        QVector<Child> list; // upper-cased names by UTF-16 code units
        QHash<QString, int> byUpper; // upper-cased name -> index
    };

    WineBackend() = default;
    [[nodiscard]] static KeyId keyOf(int file, int index, int view = 0)
    {
        return (KeyId(view) << ViewShift) | (KeyId(file + 1) << FileShift) | KeyId(index + 1);
    }
    [[nodiscard]] static int fileOf(KeyId id) { return int((id >> FileShift) & 3) - 1; }
    [[nodiscard]] static int viewOf(KeyId id) { return int(id >> ViewShift); }
    [[nodiscard]] static KeyId realOf(KeyId id) { return id & ((KeyId(1) << ViewShift) - 1); }
    [[nodiscard]] int viewThrough(int view, KeyId link);
    [[nodiscard]] static int indexOf(KeyId id) { return int(id & ((KeyId(1) << FileShift) - 1)) - 1; }
    [[nodiscard]] WineRegFile* file(KeyId id) const;
    LONG commitFiles() override;
    [[nodiscard]] bool known(KeyId id) const override;
    [[nodiscard]] const Children& children(KeyId id);
    [[nodiscard]] KeyId follow(KeyId id, int depth);
    [[nodiscard]] KeyId resolve(const QString& target, int depth);
    [[nodiscard]] KeyId walk(KeyId from, const QStringList& names, int depth);
    [[nodiscard]] QString pathOf(KeyId id) const override;
    [[nodiscard]] quint64 lastWriteOf(KeyId id) const override;
    LONG changed(KeyId id, DWORD bits);
    LONG commit(int file);

    QString m_prefix;
    QString m_sid;
    std::array<std::unique_ptr<WineRegFile>, FileCount> m_files;
    std::array<QString, FileCount> m_paths;
    std::array<bool, FileCount> m_pending{};
    std::array<bool, FileCount> m_backedUp{};
    std::array<QString, FileCount> m_readStamp; // modification time and size of the file as read
    QHash<QChar, QString> m_drives;
    bool m_writable = false;
    quint64 (*m_now)() = nullptr;
    QHash<KeyId, Children> m_children;
    QHash<QPair<int, KeyId>, int> m_views; // (view, link key) -> the view behind the link
    QHash<HKEY, KeyId> m_predefined;
};
