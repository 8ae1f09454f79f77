#include "platform/hive/HiveBackend.h"

#include "platform/WinCase.h"

#include <algorithm>

namespace {

struct RootKey {
    HKEY hkey;
    QLatin1StringView name;
};
constexpr RootKey RootKeys[] = {
    {HKEY_CLASSES_ROOT, QLatin1StringView("HKEY_CLASSES_ROOT")},
    {HKEY_CURRENT_USER, QLatin1StringView("HKEY_CURRENT_USER")},
    {HKEY_LOCAL_MACHINE, QLatin1StringView("HKEY_LOCAL_MACHINE")},
    {HKEY_USERS, QLatin1StringView("HKEY_USERS")},
    {HKEY_CURRENT_CONFIG, QLatin1StringView("HKEY_CURRENT_CONFIG")},
};

HKEY rootKeyOf(const QString& name)
{
    for (const RootKey& root : RootKeys) {
        if (winEqualsNoCase(name, QString(root.name)))
            return root.hkey;
    }
    return 0;
}

} // namespace

HiveBackend::HiveBackend(std::vector<std::unique_ptr<HiveFile>> files, const QVector<HiveMount>& mounts,
                         QStringList warnings)
    : m_files(std::move(files)), m_warnings(std::move(warnings))
{
    for (const HiveMount& m : mounts)
        mount(m, &m_warnings);
    for (const RootKey& root : RootKeys) {
        if (!m_predefined.contains(root.hkey))
            m_predefined.insert(root.hkey, virtualKey(QString(root.name), 0));
    }
}

QStringList HiveBackend::warnings() const
{
    return m_warnings;
}

bool HiveBackend::writable() const
{
    return std::any_of(m_files.begin(), m_files.end(), [](const auto& f) { return f->writable(); });
}

KeyId HiveBackend::virtualKey(const QString& name, KeyId parent)
{
    m_virtuals.append(Virtual{name, parent});
    const KeyId id = m_virtuals.size();
    if (parent)
        m_extra[parent].append(Child{name, id, 0});
    m_children.clear();
    return id;
}

// The key at a full path, made of keys of this backend alone where it is missing.
KeyId HiveBackend::resolve(const QStringList& path)
{
    const HKEY root = rootKeyOf(path.value(0));
    if (!root)
        return 0;
    KeyId current = m_predefined.value(root);
    if (!current) {
        current = virtualKey(path.first(), 0);
        m_predefined.insert(root, current);
    }
    for (qsizetype i = 1; i < path.size(); ++i) {
        const Children& list = children(current);
        const int index = list.byUpper.value(winUpper(path.at(i)), -1);
        current = index >= 0 ? list.list.at(index).id : virtualKey(path.at(i), current);
    }
    return current;
}

void HiveBackend::mount(const HiveMount& m, QStringList* warnings)
{
    const QStringList parts = m.path.split(QLatin1Char('\\'));
    HiveFile* file = m.file >= 0 && size_t(m.file) < m_files.size() ? m_files[size_t(m.file)].get() : nullptr;
    if (!file || parts.isEmpty() || !rootKeyOf(parts.first()))
        return;
    HiveNodeId node = file->root();
    for (const QString& name : m.inside) {
        if (!(node = file->child(node, name))) {
            warnings->append(QStringLiteral("%1: Der Schlüssel \"%2\" fehlt; %3 wird nicht angezeigt.")
                                 .arg(file->path(), m.inside.join(QLatin1Char('\\')), m.path));
            return;
        }
    }
    const KeyId parent = parts.size() > 1 ? resolve(parts.mid(0, parts.size() - 1)) : 0;
    m_mounts.append(Mount{m.file, node, parent, parts.last()});
    const KeyId id = hiveKey(int(m_mounts.size()) - 1, node);
    if (parent)
        m_extra[parent].append(Child{parts.last(), id, 0});
    else
        m_predefined.insert(rootKeyOf(parts.first()), id);
    m_children.clear();
}

HiveFile* HiveBackend::fileOf(KeyId id) const
{
    const int m = mountOf(id);
    return m >= 0 && m < m_mounts.size() ? m_files[size_t(m_mounts.at(m).file)].get() : nullptr;
}

bool HiveBackend::known(KeyId id) const
{
    if (isVirtual(id))
        return true;
    const HiveFile* file = fileOf(id);
    return file && file->node(nodeOf(id));
}

const HiveBackend::Children& HiveBackend::children(KeyId id)
{
    auto it = m_children.find(id);
    if (it != m_children.end())
        return *it;
    Children made;
    made.list = m_extra.value(id);
    if (HiveFile* file = isVirtual(id) ? nullptr : fileOf(id)) {
        if (const HiveNode* node = file->node(nodeOf(id))) {
            for (HiveNodeId c : node->children) {
                const HiveNode* child = file->node(c);
                made.list.append(Child{child->name, hiveKey(mountOf(id), c), child->lastWrite});
            }
        }
    }
    std::stable_sort(made.list.begin(), made.list.end(),
                     [](const Child& a, const Child& b) { return winCompareNoCase(a.name, b.name) < 0; });
    made.byUpper.reserve(made.list.size());
    for (int i = int(made.list.size()) - 1; i >= 0; --i)
        made.byUpper.insert(winUpper(made.list.at(i).name), i); // a name listed twice: the first one
    return *m_children.insert(id, std::move(made));
}

KeyId HiveBackend::parentOf(KeyId id) const
{
    if (isVirtual(id))
        return m_virtuals.at(id - 1).parent;
    const Mount& m = m_mounts.at(mountOf(id));
    if (nodeOf(id) == m.root)
        return m.parent;
    const HiveNode* node = fileOf(id)->node(nodeOf(id));
    return node ? hiveKey(mountOf(id), node->parent) : 0;
}

QString HiveBackend::nameOf(KeyId id) const
{
    if (isVirtual(id))
        return m_virtuals.at(id - 1).name;
    const Mount& m = m_mounts.at(mountOf(id));
    if (nodeOf(id) == m.root)
        return m.name;
    const HiveNode* node = fileOf(id)->node(nodeOf(id));
    return node ? node->name : QString();
}

QString HiveBackend::pathOf(KeyId id) const
{
    QStringList names;
    for (KeyId k = id; k && names.size() <= MAX_KEY_DEPTH + 8; k = parentOf(k))
        names.prepend(nameOf(k));
    return winUpper(names.join(QLatin1Char('\\')));
}

LONG HiveBackend::predefinedKey(HKEY hkey, KeyId* id)
{
    std::lock_guard lock(m_mutex);
    *id = m_predefined.value(hkey);
    return *id ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG HiveBackend::openKey(KeyId base, const QStringList& path, REGSAM, KeyId* id)
{
    std::lock_guard lock(m_mutex);
    if (path.size() > MAX_KEY_DEPTH)
        return ERROR_INVALID_PARAMETER;
    if (!known(base))
        return ERROR_KEY_DELETED;
    KeyId current = base;
    for (const QString& name : path) {
        const Children& list = children(current);
        const int index = list.byUpper.value(winUpper(name), -1);
        if (index < 0)
            return ERROR_FILE_NOT_FOUND;
        current = list.list.at(index).id;
    }
    *id = current;
    return ERROR_SUCCESS;
}

LONG HiveBackend::createKey(KeyId base, const QStringList& path, REGSAM access, KeyId* id, DWORD* disposition)
{
    std::lock_guard lock(m_mutex);
    if (path.size() > MAX_KEY_DEPTH)
        return ERROR_INVALID_PARAMETER;
    if (!known(base))
        return ERROR_KEY_DELETED;
    KeyId current = base;
    bool created = false;
    LONG result = ERROR_SUCCESS; // a commit that failed: the key exists in memory, not yet on disk
    for (const QString& name : path) {
        const Children& list = children(current);
        const int index = list.byUpper.value(winUpper(name), -1);
        if (index >= 0) {
            current = list.list.at(index).id;
            continue;
        }
        HiveFile* file = isVirtual(current) ? nullptr : fileOf(current);
        if (!file || !file->writable())
            return refuse(file);
        HiveNodeId child = 0;
        const LONG rc = changed(current, REG_NOTIFY_CHANGE_NAME, file->addChild(nodeOf(current), name, &child));
        if (rc != ERROR_SUCCESS && !child)
            return rc;
        if (rc != ERROR_SUCCESS)
            result = rc;
        current = hiveKey(mountOf(current), child);
        created = true;
    }
    (void)access;
    *id = current;
    if (disposition)
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return result != ERROR_SUCCESS ? result : batchResult();
}

bool HiveBackend::keyAlive(KeyId id)
{
    std::lock_guard lock(m_mutex);
    return known(id);
}

LONG HiveBackend::subKeys(KeyId id, QStringList* names, QVector<quint64>* lastWrite)
{
    std::lock_guard lock(m_mutex);
    if (!known(id))
        return ERROR_KEY_DELETED;
    const Children& list = children(id);
    names->clear();
    if (lastWrite)
        lastWrite->clear();
    for (const Child& c : list.list) {
        names->append(c.name);
        if (lastWrite)
            lastWrite->append(c.lastWrite);
    }
    return ERROR_SUCCESS;
}

LONG HiveBackend::branchKeys(KeyId id, bool subKeysOnly, int, QString* position, QVector<BackendBranchKey>* keys)
{
    std::lock_guard lock(m_mutex);
    keys->clear();
    if (!position->isEmpty())
        return ERROR_NO_MORE_ITEMS;
    *position = QStringLiteral("*");
    if (!known(id))
        return ERROR_KEY_DELETED;
    const auto valueCount = [this](KeyId k) -> qint64 {
        return isVirtual(k) ? 0 : fileOf(k)->valueCount(nodeOf(k));
    };
    keys->append(BackendBranchKey{id, 0, -1, QString(), 0, valueCount(id), generation(), generation()});
    for (qsizetype place = 0; place < (subKeysOnly ? 1 : keys->size()); ++place) {
        const KeyId parent = keys->at(place).id;
        const QVector<Child> list = children(parent).list; // a copy: the cache may grow meanwhile
        m_children.remove(parent);
        for (const Child& c : list)
            keys->append(BackendBranchKey{c.id, parent, place, c.name, 0, valueCount(c.id), generation(),
                                          generation()});
    }
    return ERROR_SUCCESS;
}

LONG HiveBackend::values(KeyId id, QVector<BackendValue>* values)
{
    std::lock_guard lock(m_mutex);
    values->clear();
    if (isVirtual(id))
        return ERROR_SUCCESS;
    HiveFile* file = fileOf(id);
    if (!file)
        return ERROR_KEY_DELETED;
    QStringList damaged;
    const LONG rc = file->values(nodeOf(id), values, &damaged);
    for (const QString& w : std::as_const(damaged)) {
        if (!m_warnings.contains(w))
            m_warnings.append(w);
    }
    return rc;
}

LONG HiveBackend::queryValue(KeyId id, const QString& name, DWORD* type, QByteArray* data)
{
    std::lock_guard lock(m_mutex);
    QVector<BackendValue> list;
    const LONG rc = values(id, &list);
    if (rc != ERROR_SUCCESS)
        return rc;
    for (const BackendValue& v : std::as_const(list)) {
        if (winEqualsNoCase(v.name, name)) {
            if (type)
                *type = v.type;
            if (data)
                *data = v.data;
            return ERROR_SUCCESS;
        }
    }
    return ERROR_FILE_NOT_FOUND;
}

// A write this backend cannot take. When the hive is open read-only, the open batch fails for that
// reason, so that whoever reports the batch's failure can say why.
LONG HiveBackend::refuse(const HiveFile* file)
{
    const bool readOnlyHive = file ? !file->writable() : !writable();
    if (readOnlyHive && inBatch())
        failBatch(ERROR_WRITE_PROTECT);
    return ERROR_ACCESS_DENIED;
}

LONG HiveBackend::changed(KeyId id, DWORD bits, LONG rc)
{
    if (rc != ERROR_SUCCESS)
        return rc;
    m_children.clear();
    if (recordChange(id, bits))
        return ERROR_SUCCESS;
    HiveFile* file = fileOf(id);
    return file ? file->commit() : ERROR_SUCCESS;
}

LONG HiveBackend::setValue(KeyId id, const QString& name, DWORD type, QByteArrayView data)
{
    std::lock_guard lock(m_mutex);
    HiveFile* file = isVirtual(id) ? nullptr : fileOf(id);
    if (!file || !file->writable())
        return refuse(file);
    return changed(id, REG_NOTIFY_CHANGE_LAST_SET, file->setValue(nodeOf(id), name, type, data));
}

LONG HiveBackend::deleteValue(KeyId id, const QString& name)
{
    std::lock_guard lock(m_mutex);
    HiveFile* file = isVirtual(id) ? nullptr : fileOf(id);
    if (!file || !file->writable())
        return refuse(file);
    return changed(id, REG_NOTIFY_CHANGE_LAST_SET, file->deleteValue(nodeOf(id), name));
}

LONG HiveBackend::deleteKey(KeyId id)
{
    std::lock_guard lock(m_mutex);
    HiveFile* file = isVirtual(id) ? nullptr : fileOf(id);
    if (!file || !file->writable())
        return refuse(file);
    if (nodeOf(id) == m_mounts.at(mountOf(id)).root)
        return ERROR_ACCESS_DENIED;
    if (!m_extra.value(id).isEmpty())
        return ERROR_ACCESS_DENIED;
    const KeyId parent = parentOf(id);
    const QString path = pathOf(id);
    const LONG rc = changed(parent, REG_NOTIFY_CHANGE_NAME, file->deleteChild(nodeOf(id)));
    if (rc == ERROR_SUCCESS || !known(id))
        recordDeletion(path);
    return rc;
}

LONG HiveBackend::commitFiles()
{
    LONG first = ERROR_SUCCESS;
    for (const auto& file : m_files) {
        const LONG rc = file->commit();
        if (first == ERROR_SUCCESS)
            first = rc;
    }
    return first;
}

quint64 HiveBackend::lastWriteOf(KeyId id) const
{
    return isVirtual(id) ? 0 : fileOf(id)->node(nodeOf(id))->lastWrite;
}
