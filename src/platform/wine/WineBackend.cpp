#include "platform/wine/WineBackend.h"

#include "platform/FileCommit.h"
#include "platform/WinCase.h"
#include "platform/hive/HiveFile.h"
#include "platform/wine/WinePrefix.h"
#include "platform/wine/WineText.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

#include <unistd.h>

namespace {

constexpr KeyId UsersKey = 1; // HKEY_USERS: .Default and the user's SID
constexpr KeyId EmptyKey = 2; // a root key the prefix does not have
constexpr int MaxLinkDepth = 16;
const QString SymbolicLinkValue = QStringLiteral("SymbolicLinkValue");
const char* const FileNames[] = {"system.reg", "user.reg", "userdef.reg"};

quint64 systemNow()
{
    return quint64(QDateTime::currentMSecsSinceEpoch()) * 10000ULL + 116444736000000000ULL;
}

// What tells a file changed on disk: its modification time and size.
QString fileStamp(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() ? QStringLiteral("%1:%2").arg(info.lastModified().toMSecsSinceEpoch()).arg(info.size())
                         : QString();
}

bool isStringType(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

} // namespace

std::shared_ptr<WineBackend> WineBackend::open(const QString& prefix, bool write, QString* error, QString* warning)
{
    if (!WinePrefix::isPrefix(prefix)) {
        *error = QStringLiteral("Der Ordner \"%1\" ist kein Wine-Präfix (system.reg fehlt).").arg(prefix);
        return nullptr;
    }
    std::shared_ptr<WineBackend> b(new WineBackend);
    b->m_prefix = QDir(prefix).absolutePath();
    b->m_now = systemNow;
    for (int f = 0; f < FileCount; ++f) {
        b->m_paths[f] = QDir(b->m_prefix).filePath(QString::fromLatin1(FileNames[f]));
        QFile in(b->m_paths[f]);
        b->m_readStamp[f] = fileStamp(b->m_paths[f]);
        if (!in.exists() && f != System) {
            const QString base = f == User ? QStringLiteral("REGISTRY\\User\\S-1-5-21-0-0-0-1000")
                                           : QStringLiteral("REGISTRY\\User\\.Default");
            b->m_files[f] = WineRegFile::empty(base, b->m_files[System]->arch());
            continue;
        }
        if (!in.open(QIODevice::ReadOnly)) {
            *error = QStringLiteral("%1 kann nicht gelesen werden: %2").arg(b->m_paths[f], in.errorString());
            return nullptr;
        }
        QString reason;
        b->m_files[f] = WineRegFile::parse(in.readAll(), &reason);
        if (!b->m_files[f]) {
            *error = b->m_paths[f] + QStringLiteral(": ") + reason;
            return nullptr;
        }
    }
    b->m_sid = b->m_files[User]->relativeTo().section(QLatin1Char('\\'), -1);
    if (!b->m_sid.startsWith(QLatin1String("S-"), Qt::CaseInsensitive))
        b->m_sid = QStringLiteral("S-1-5-21-0-0-0-1000");
    b->m_drives = WinePrefix::drives(b->m_prefix);
    b->m_writable = write;
    if (write && WinePrefix::serverRunning(b->m_prefix)) {
        b->m_writable = false;
        if (warning)
            *warning = WinePrefix::ServerRunningMessage;
    }
    b->m_predefined.insert(HKEY_LOCAL_MACHINE, keyOf(System, WineRegFile::root()));
    b->m_predefined.insert(HKEY_CURRENT_USER, keyOf(User, WineRegFile::root()));
    b->m_predefined.insert(HKEY_USERS, UsersKey);
    const KeyId classes = b->walk(keyOf(System, 0), {QStringLiteral("Software"), QStringLiteral("Classes")}, 0);
    b->m_predefined.insert(HKEY_CLASSES_ROOT, classes ? classes : EmptyKey);
    const KeyId config = b->walk(keyOf(System, 0),
                                 {QStringLiteral("System"), QStringLiteral("CurrentControlSet"),
                                  QStringLiteral("Hardware Profiles"), QStringLiteral("Current")},
                                 0);
    b->m_predefined.insert(HKEY_CURRENT_CONFIG, config ? config : EmptyKey);
    return b;
}

WineRegFile* WineBackend::file(KeyId id) const
{
    const int f = fileOf(id);
    return f >= 0 && f < FileCount ? m_files[size_t(f)].get() : nullptr;
}

bool WineBackend::known(KeyId id) const
{
    if (id == UsersKey || id == EmptyKey)
        return true;
    const WineRegFile* f = file(id);
    return f && f->alive(indexOf(id));
}

// A link key leads to the key its SymbolicLinkValue names ("\Registry\Machine\...",
// "\Registry\User\<SID or .Default>\..."); a link that leads nowhere stays itself.
KeyId WineBackend::follow(KeyId id, int depth)
{
    WineRegFile* f = file(id);
    if (!f || !f->key(indexOf(id)).link)
        return id;
    const int v = f->valueIndex(indexOf(id), SymbolicLinkValue);
    if (v < 0 || depth >= MaxLinkDepth)
        return id;
    const WineValue& value = f->key(indexOf(id)).values.at(v);
    if (value.type != REG_LINK)
        return id;
    const KeyId target = resolve(WineText::fromUtf16(value.data), depth + 1);
    return target ? target : id;
}

KeyId WineBackend::resolve(const QString& target, int depth)
{
    QStringList names = target.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    if (names.size() < 2 || !winEqualsNoCase(names.at(0), u"Registry"))
        return 0;
    if (winEqualsNoCase(names.at(1), u"Machine"))
        return walk(keyOf(System, 0), names.mid(2), depth);
    if (!winEqualsNoCase(names.at(1), u"User") || names.size() < 3)
        return 0;
    if (winEqualsNoCase(names.at(2), u".Default"))
        return walk(keyOf(UserDefault, 0), names.mid(3), depth);
    return winEqualsNoCase(names.at(2), m_sid) ? walk(keyOf(User, 0), names.mid(3), depth) : 0;
}

KeyId WineBackend::walk(KeyId from, const QStringList& names, int depth)
{
    KeyId current = from;
    for (const QString& name : names) {
        const Children& list = children(current);
        const int index = list.byUpper.value(winUpper(name), -1);
        if (index < 0)
            return 0;
        current = list.list.at(index).id;
    }
    (void)depth;
    return current;
}

const WineBackend::Children& WineBackend::children(KeyId id)
{
    auto it = m_children.find(id);
    if (it != m_children.end())
        return *it;
    Children made;
    bool links = false;
    if (id == UsersKey) {
        made.list = {Child{QStringLiteral(".Default"), keyOf(UserDefault, 0), keyOf(UserDefault, 0)},
                     Child{m_sid, keyOf(User, 0), keyOf(User, 0)}};
    } else if (WineRegFile* f = file(id)) {
        for (int c : f->key(indexOf(id)).children) {
            const KeyId own = keyOf(fileOf(id), c, viewOf(id));
            links = links || f->key(c).link;
            made.list.append(Child{f->key(c).name, own, own});
        }
    }
    std::stable_sort(made.list.begin(), made.list.end(),
                     [](const Child& a, const Child& b) { return winCompareNoCase(a.name, b.name) < 0; });
    made.byUpper.reserve(made.list.size());
    for (int i = int(made.list.size()) - 1; i >= 0; --i)
        made.byUpper.insert(winUpper(made.list.at(i).name), i);
    if (links) { // followed once the plain list is in the cache: a link may lead back through this key
        m_children.insert(id, made);
        for (Child& c : made.list) {
            const KeyId target = realOf(follow(c.own, 0));
            if (target != realOf(c.own))
                c.id = target | (KeyId(viewThrough(viewOf(id), realOf(c.own))) << ViewShift);
        }
    }
    return *m_children.insert(id, std::move(made));
}

int WineBackend::viewThrough(int view, KeyId link)
{
    const QPair<int, KeyId> key(view, link);
    auto it = m_views.find(key);
    if (it == m_views.end())
        it = m_views.insert(key, int(m_views.size()) + 1);
    return *it;
}

QString WineBackend::pathOf(KeyId id) const
{
    if (id == UsersKey)
        return QStringLiteral("HKEY_USERS");
    const WineRegFile* f = file(id);
    if (!f)
        return QString();
    QStringList names;
    for (int k = indexOf(id); k > 0 && names.size() <= MAX_KEY_DEPTH; k = f->key(k).parent)
        names.prepend(f->key(k).name);
    static const QString Roots[] = {QStringLiteral("HKEY_LOCAL_MACHINE"), QStringLiteral("HKEY_CURRENT_USER"),
                                    QStringLiteral("HKEY_USERS\\.DEFAULT")};
    names.prepend(Roots[fileOf(id)]);
    return winUpper(names.join(QLatin1Char('\\')));
}

quint64 WineBackend::lastWriteOf(KeyId id) const
{
    const WineRegFile* f = file(id);
    return f && f->alive(indexOf(id)) ? f->key(indexOf(id)).modified : 0;
}

LONG WineBackend::predefinedKey(HKEY hkey, KeyId* id)
{
    std::lock_guard lock(m_mutex);
    *id = m_predefined.value(hkey);
    return *id ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG WineBackend::openKey(KeyId base, const QStringList& path, REGSAM, KeyId* id)
{
    std::lock_guard lock(m_mutex);
    if (path.size() > MAX_KEY_DEPTH)
        return ERROR_INVALID_PARAMETER;
    if (!known(base))
        return ERROR_KEY_DELETED;
    const KeyId found = path.isEmpty() ? base : walk(base, path, 0);
    if (!found)
        return ERROR_FILE_NOT_FOUND;
    *id = found;
    return ERROR_SUCCESS;
}

LONG WineBackend::createKey(KeyId base, const QStringList& path, REGSAM, KeyId* id, DWORD* disposition)
{
    std::lock_guard lock(m_mutex);
    if (path.size() > MAX_KEY_DEPTH)
        return ERROR_INVALID_PARAMETER;
    if (!known(base))
        return ERROR_KEY_DELETED;
    KeyId current = base;
    bool created = false;
    LONG result = ERROR_SUCCESS;
    for (const QString& name : path) {
        const Children& list = children(current);
        const int index = list.byUpper.value(winUpper(name), -1);
        if (index >= 0) {
            current = list.list.at(index).id;
            continue;
        }
        WineRegFile* f = file(current);
        if (!f || !m_writable)
            return ERROR_ACCESS_DENIED;
        const int child = f->addChild(indexOf(current), name, m_now());
        m_children.remove(current);
        const LONG rc = changed(current, REG_NOTIFY_CHANGE_NAME);
        if (rc != ERROR_SUCCESS)
            result = rc;
        current = keyOf(fileOf(current), child, viewOf(current));
        created = true;
    }
    *id = current;
    if (disposition)
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return result != ERROR_SUCCESS ? result : batchResult();
}

bool WineBackend::keyAlive(KeyId id)
{
    std::lock_guard lock(m_mutex);
    return known(id);
}

LONG WineBackend::subKeys(KeyId id, QStringList* names, QVector<quint64>* lastWrite)
{
    std::lock_guard lock(m_mutex);
    if (!known(id))
        return ERROR_KEY_DELETED;
    names->clear();
    if (lastWrite)
        lastWrite->clear();
    for (const Child& c : children(id).list) {
        names->append(c.name);
        if (lastWrite)
            lastWrite->append(lastWriteOf(c.own));
    }
    return ERROR_SUCCESS;
}

LONG WineBackend::branchKeys(KeyId id, bool subKeysOnly, int, QString* position, QVector<BackendBranchKey>* keys)
{
    std::lock_guard lock(m_mutex);
    keys->clear();
    if (!position->isEmpty())
        return ERROR_NO_MORE_ITEMS;
    *position = QStringLiteral("*");
    if (!known(id))
        return ERROR_KEY_DELETED;
    const auto valueCount = [this](KeyId k) -> qint64 {
        const WineRegFile* f = file(k);
        return f ? f->key(indexOf(k)).values.size() : 0;
    };
    keys->append(BackendBranchKey{id, 0, -1, QString(), 0, valueCount(id), generation(), generation()});
    for (qsizetype place = 0; place < (subKeysOnly ? 1 : keys->size()); ++place) {
        const KeyId parent = keys->at(place).id;
        const QVector<Child> list = children(parent).list;
        for (const Child& c : list) {
            bool loop = false; // a link back to a key above: listed by the key it leads from only
            for (qsizetype a = place; a >= 0 && !loop; a = keys->at(a).parent)
                loop = realOf(keys->at(a).id) == realOf(c.id);
            if (!loop)
                keys->append(
                    BackendBranchKey{c.id, parent, place, c.name, 0, valueCount(c.id), generation(), generation()});
        }
    }
    return ERROR_SUCCESS;
}

LONG WineBackend::values(KeyId id, QVector<BackendValue>* values)
{
    std::lock_guard lock(m_mutex);
    values->clear();
    if (!known(id))
        return ERROR_KEY_DELETED;
    const WineRegFile* f = file(id);
    if (!f)
        return ERROR_SUCCESS;
    for (const WineValue& v : f->key(indexOf(id)).values)
        values->append(BackendValue{v.name, v.type, isStringType(v.type) ? HiveFile::utf16ToProgram(v.data) : v.data});
    return ERROR_SUCCESS;
}

LONG WineBackend::queryValue(KeyId id, const QString& name, DWORD* type, QByteArray* data)
{
    std::lock_guard lock(m_mutex);
    if (!known(id))
        return ERROR_KEY_DELETED;
    const WineRegFile* f = file(id);
    const int v = f ? f->valueIndex(indexOf(id), name) : -1;
    if (v < 0)
        return ERROR_FILE_NOT_FOUND;
    const WineValue& value = f->key(indexOf(id)).values.at(v);
    if (type)
        *type = value.type;
    if (data)
        *data = isStringType(value.type) ? HiveFile::utf16ToProgram(value.data) : value.data;
    return ERROR_SUCCESS;
}

LONG WineBackend::setValue(KeyId id, const QString& name, DWORD type, QByteArrayView data)
{
    std::lock_guard lock(m_mutex);
    WineRegFile* f = file(id);
    if (!f || !m_writable)
        return ERROR_ACCESS_DENIED;
    if (!known(id))
        return ERROR_KEY_DELETED;
    const QByteArray bytes = isStringType(type) ? HiveFile::programToUtf16(data) : data.toByteArray();
    if (!f->setValue(indexOf(id), name, type, bytes, m_now()))
        return batchResult(); // the same type and data: the server leaves the key untouched
    return changed(id, REG_NOTIFY_CHANGE_LAST_SET);
}

LONG WineBackend::deleteValue(KeyId id, const QString& name)
{
    std::lock_guard lock(m_mutex);
    WineRegFile* f = file(id);
    if (!f || !m_writable)
        return ERROR_ACCESS_DENIED;
    if (!known(id))
        return ERROR_KEY_DELETED;
    if (!f->deleteValue(indexOf(id), name, m_now()))
        return ERROR_FILE_NOT_FOUND;
    return changed(id, REG_NOTIFY_CHANGE_LAST_SET);
}

LONG WineBackend::deleteKey(KeyId id)
{
    std::lock_guard lock(m_mutex);
    WineRegFile* f = file(id);
    if (!f || !m_writable || indexOf(id) == WineRegFile::root())
        return ERROR_ACCESS_DENIED;
    if (!known(id))
        return ERROR_KEY_DELETED;
    if (!f->key(indexOf(id)).children.isEmpty())
        return ERROR_ACCESS_DENIED;
    const QString path = pathOf(id);
    const KeyId parent = keyOf(fileOf(id), f->key(indexOf(id)).parent);
    f->removeKey(indexOf(id), m_now());
    m_children.clear(); // links may have led to it
    const LONG rc = changed(parent, REG_NOTIFY_CHANGE_NAME);
    recordDeletion(path);
    return rc;
}

LONG WineBackend::changed(KeyId id, DWORD bits)
{
    m_pending[size_t(fileOf(id))] = true;
    if (recordChange(id, bits))
        return ERROR_SUCCESS;
    return commit(fileOf(id));
}

// Writes one file: refused while a wineserver runs or when the file changed on disk since it was read
// (the server saved it meanwhile); the first write keeps the previous file as FILE.bak.
LONG WineBackend::commit(int f)
{
    if (!m_pending[size_t(f)])
        return ERROR_SUCCESS;
    const QString& path = m_paths[size_t(f)];
    if (WinePrefix::serverRunning(m_prefix) || fileStamp(path) != m_readStamp[size_t(f)])
        return ERROR_ACCESS_DENIED;
    if (!m_backedUp[size_t(f)] && QFile::exists(path)) {
        const QString backup = path + QStringLiteral(".bak");
        QFile::remove(backup);
        if (::link(QFile::encodeName(path).constData(), QFile::encodeName(backup).constData()) != 0
            && !QFile::copy(path, backup))
            return ERROR_REGISTRY_IO_FAILED;
        m_backedUp[size_t(f)] = true;
    }
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return ERROR_ACCESS_DENIED;
    out.write(m_files[size_t(f)]->serialize());
    if (!CommitSaveFile(out))
        return out.error() == QFileDevice::ResourceError ? ERROR_DISK_FULL : ERROR_REGISTRY_IO_FAILED;
    m_pending[size_t(f)] = false;
    m_readStamp[size_t(f)] = fileStamp(path);
    return ERROR_SUCCESS;
}

LONG WineBackend::commitFiles()
{
    LONG first = ERROR_SUCCESS;
    for (int f = 0; f < FileCount; ++f) {
        const LONG rc = commit(f);
        if (first == ERROR_SUCCESS)
            first = rc;
    }
    return first;
}
