#pragma once

// The Windows registry API on this platform. Names, arguments and return codes follow advapi32; text
// is QString (the registry's 8-bit view of string data is UTF-8 here). Name buffers carry their
// capacity in characters including the terminating NUL, as on Windows: a name that does not fit
// answers ERROR_MORE_DATA.

#include "platform/WinTypes.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

// --- store set-up (this platform's own calls) ---

// Opens (creating when missing and writable) the local store at path and makes it the local registry of
// this process. Returns ERROR_SUCCESS or a Windows code with a readable German reason in *error: 2 a
// missing folder (or store, for reading), 5 no right to create it, 1009 a file that is not a store of
// this program or one of a newer version (left unchanged), 112 / 1016 / 1460 a full disk, an I/O error,
// a lock time-out. A new store and its -wal and -shm files are readable and writable by the owner only.
// StoreAccess::ReadOnly opens without the write lock and writes nothing; so is a store opened whose
// file or folder is not writable. Write calls on such a store answer 5.
[[nodiscard]] LONG RegOpenLocalStore(const QString& path, QString* error = nullptr,
                                     StoreAccess access = StoreAccess::ReadWrite);
// Path of the local store in use, or empty before one was opened.
[[nodiscard]] QString RegLocalStorePath();
// Routes a machine name (without leading backslashes, compared case-insensitively) to another store
// file; an empty path removes the route. Also read from KAVEN_MACHINES="NAME=path;NAME2=path2".
void RegSetMachineStore(const QString& machine, const QString& path);
// A machine name that is neither routed nor a path is another computer: RegConnectRegistry reaches it
// over ssh ($KAVEN_SSH, $KAVEN_REGSERVE) once and keeps the connection; a broken one answers
// ERROR_BAD_NETPATH and is made again by the next RegConnectRegistry. This lets go of the connections
// to machines other than machine (empty: all), when the program moves to another one.
void RegKeepMachineConnection(const QString& machine);
// Hive files as the registry of the predefined keys: hives mounted below the local store's
// HKEY_LOCAL_MACHINE (each "FILE[:NAME]", NAME by default the file's name; a NAME the store has there
// already is refused), or an offline Windows installation (a folder holding Windows\System32\config)
// in place of the store, user naming the profile folder shown as HKEY_CURRENT_USER. Read-only unless
// write; a dirty hive is never opened for writing. *warnings receives what was damaged or missing.
struct RegHiveOptions {
    QStringList hives;
    QString windowsFolder;
    QString user;
    bool write = false;
};
[[nodiscard]] LONG RegOpenHives(const RegHiveOptions& options, QString* error, QStringList* warnings);
// A machine named by the path of an offline installation or a hive file opens read-only unless changes
// were allowed here; the choice holds from the machine's next connection on.
void RegAllowHiveWrites(const QString& path, bool allow);
// Closes every handle and store of the process (tests, shutdown).
void RegShutdown();
// The local folder a drive letter stands for on the registry of the handle, empty when that registry
// has no such drive. The local store belongs to this machine and sees its files as Wine does: Z: is "/".
[[nodiscard]] QString RegDriveFolder(HKEY hKey, QChar drive);

// --- registry functions ---

[[nodiscard]] LONG RegConnectRegistry(const QString& machineName, HKEY hKey, HKEY* phkResult);
[[nodiscard]] LONG RegOpenKeyEx(HKEY hKey, const QString& subKey, DWORD options, REGSAM samDesired, HKEY* phkResult);
[[nodiscard]] LONG RegCreateKeyEx(HKEY hKey, const QString& subKey, DWORD reserved, const QString& className,
                                  DWORD options, REGSAM samDesired, const void* security, HKEY* phkResult,
                                  DWORD* disposition);
LONG RegCloseKey(HKEY hKey);
LONG RegFlushKey(HKEY hKey);
[[nodiscard]] LONG RegQueryInfoKey(HKEY hKey, DWORD* subKeys, DWORD* maxSubKeyLen, DWORD* values,
                                   DWORD* maxValueNameLen, DWORD* maxValueLen, FILETIME* lastWriteTime);
// *cchName: in the buffer capacity (characters, NUL included), out the name length.
[[nodiscard]] LONG RegEnumKeyEx(HKEY hKey, DWORD index, QString* name, DWORD* cchName, FILETIME* lastWriteTime);
[[nodiscard]] LONG RegEnumKey(HKEY hKey, DWORD index, QString* name, DWORD cchName);
// data may be null (then only *cbData is filled); *cbData: in the buffer size, out the data size.
[[nodiscard]] LONG RegEnumValue(HKEY hKey, DWORD index, QString* name, DWORD* cchName, DWORD* type, BYTE* data,
                                DWORD* cbData);
[[nodiscard]] LONG RegQueryValueEx(HKEY hKey, const QString& valueName, DWORD* type, BYTE* data, DWORD* cbData);
[[nodiscard]] LONG RegSetValueEx(HKEY hKey, const QString& valueName, DWORD reserved, DWORD type, const BYTE* data,
                                 DWORD cbData);
[[nodiscard]] LONG RegDeleteValue(HKEY hKey, const QString& valueName);
[[nodiscard]] LONG RegDeleteKey(HKEY hKey, const QString& subKey);
[[nodiscard]] LONG RegNotifyChangeKeyValue(HKEY hKey, bool watchSubtree, DWORD notifyFilter, HANDLE event,
                                           bool asynchronous);

// --- conveniences of this platform over the same semantics (no buffer probing) ---

[[nodiscard]] LONG RegQueryValueBytes(HKEY hKey, const QString& valueName, DWORD* type, QByteArray* data);
[[nodiscard]] LONG RegSetValueBytes(HKEY hKey, const QString& valueName, DWORD type, const QByteArray& data);
// Name, type and data of the value at index; names longer than cchName - 1 answer ERROR_MORE_DATA.
[[nodiscard]] LONG RegEnumValueBytes(HKEY hKey, DWORD index, QString* name, DWORD cchName, DWORD* type,
                                     QByteArray* data);
// Per-key access: KEY_DENY_READ / KEY_DENY_WRITE, or 0. Needs a handle with write access.
[[nodiscard]] LONG RegSetKeyDeny(HKEY hKey, DWORD denyFlags);

// Durability: outside a batch every write call commits before it returns, and its answer is the
// commit's: 0 means the change is in the store, a failure (112 disk full, 1016 I/O error, 1460 lock
// time-out, 5 read-only store) means nothing of the call is. A call is atomic also inside a batch.
// Bulk work: writes through the handle's store are grouped into transactions that commit at least
// every 200 ms and when the last nested batch ends; RegFlushKey inside a batch commits at once. Once a
// commit of the batch failed, every later write call of the batch, RegFlushKey and RegEndBatch answer
// that failure's code: the changes answered with 0 before are then not all in the store. Batches are
// counted per store; RegEndBatch ends the innermost batch begun through the same handle.
[[nodiscard]] LONG RegBeginBatch(HKEY hKey);
[[nodiscard]] LONG RegEndBatch(HKEY hKey);

class RegBatch final {
public:
    explicit RegBatch(HKEY key) : m_key(key), m_open(RegBeginBatch(key) == ERROR_SUCCESS) {}
    // A batch left without end() is ended here; callers that report success call end() and check it.
    ~RegBatch() { (void)end(); }
    RegBatch(const RegBatch&) = delete;
    RegBatch& operator=(const RegBatch&) = delete;
    [[nodiscard]] bool ok() const { return m_open || m_ended; }
    // Ends the batch once; ERROR_SUCCESS when every change of it is committed.
    [[nodiscard]] LONG end()
    {
        if (m_open) {
            m_open = false;
            m_ended = true;
            m_result = RegEndBatch(m_key);
        }
        return m_result;
    }

private:
    HKEY m_key;
    bool m_open;
    bool m_ended = false;
    LONG m_result = ERROR_SUCCESS;
};

// FILETIME (100 ns since 1601-01-01 UTC) and QDateTime (UTC).
[[nodiscard]] QDateTime FileTimeToDateTime(const FILETIME& ft);
[[nodiscard]] FILETIME DateTimeToFileTime(const QDateTime& dt);
