#include "platform/hive/HiveOverlay.h"

#include "platform/WinCase.h"

#include <algorithm>

namespace {

const QString HiveWhere = QStringLiteral("hive:");

} // namespace

HiveOverlay::HiveOverlay(std::shared_ptr<RegistryBackend> store, std::shared_ptr<HiveBackend> hives)
    : m_store(std::move(store)), m_hives(std::move(hives))
{
    (void)m_store->predefinedKey(HKEY_LOCAL_MACHINE, &m_storeMachine);
    (void)m_hives->predefinedKey(HKEY_LOCAL_MACHINE, &m_hiveMachine);
}

LONG HiveOverlay::predefinedKey(HKEY hkey, KeyId* id)
{
    return m_store->predefinedKey(hkey, id);
}

bool HiveOverlay::mounted(KeyId base, const QStringList& path)
{
    KeyId id = 0;
    return base == m_storeMachine && !path.isEmpty()
           && m_hives->openKey(m_hiveMachine, path.mid(0, 1), KEY_READ, &id) == ERROR_SUCCESS;
}

LONG HiveOverlay::openKey(KeyId base, const QStringList& path, REGSAM access, KeyId* id)
{
    if (!inHive(base) && !mounted(base, path))
        return m_store->openKey(base, path, access, id);
    const LONG rc = m_hives->openKey(inHive(base) ? toHive(base) : m_hiveMachine, path, access, id);
    if (rc == ERROR_SUCCESS)
        *id = fromHive(*id);
    return rc;
}

LONG HiveOverlay::createKey(KeyId base, const QStringList& path, REGSAM access, KeyId* id, DWORD* disposition)
{
    if (!inHive(base) && !mounted(base, path))
        return m_store->createKey(base, path, access, id, disposition);
    *id = 0;
    const LONG rc = m_hives->createKey(inHive(base) ? toHive(base) : m_hiveMachine, path, access, id, disposition);
    if (*id)
        *id = fromHive(*id);
    return rc;
}

bool HiveOverlay::keyAlive(KeyId id)
{
    return inHive(id) ? m_hives->keyAlive(toHive(id)) : m_store->keyAlive(id);
}

LONG HiveOverlay::subKeys(KeyId id, QStringList* names, QVector<quint64>* lastWrite)
{
    if (inHive(id))
        return m_hives->subKeys(toHive(id), names, lastWrite);
    LONG rc = m_store->subKeys(id, names, lastWrite);
    if (rc != ERROR_SUCCESS || id != m_storeMachine)
        return rc;
    QStringList mounts;
    QVector<quint64> times;
    if ((rc = m_hives->subKeys(m_hiveMachine, &mounts, &times)) != ERROR_SUCCESS)
        return rc;
    QVector<QPair<QString, quint64>> all;
    for (qsizetype i = 0; i < names->size(); ++i)
        all.append({names->at(i), lastWrite ? lastWrite->value(i) : 0});
    for (qsizetype i = 0; i < mounts.size(); ++i)
        all.append({mounts.at(i), times.value(i)});
    std::stable_sort(all.begin(), all.end(),
                     [](const auto& a, const auto& b) { return winCompareNoCase(a.first, b.first) < 0; });
    names->clear();
    if (lastWrite)
        lastWrite->clear();
    for (const auto& [name, time] : all) {
        names->append(name);
        if (lastWrite)
            lastWrite->append(time);
    }
    return ERROR_SUCCESS;
}

LONG HiveOverlay::branchKeys(KeyId id, bool subKeysOnly, int limit, QString* position,
                             QVector<BackendBranchKey>* keys)
{
    if (id == m_storeMachine) // the store's keys and the mounts together, key by key
        return RegistryBackend::branchKeys(id, subKeysOnly, limit, position, keys);
    if (!inHive(id))
        return m_store->branchKeys(id, subKeysOnly, limit, position, keys);
    const LONG rc = m_hives->branchKeys(toHive(id), subKeysOnly, limit, position, keys);
    for (BackendBranchKey& key : *keys) {
        key.id = fromHive(key.id);
        if (key.parentId)
            key.parentId = fromHive(key.parentId);
    }
    return rc;
}

LONG HiveOverlay::values(KeyId id, QVector<BackendValue>* values)
{
    return inHive(id) ? m_hives->values(toHive(id), values) : m_store->values(id, values);
}

LONG HiveOverlay::queryValue(KeyId id, const QString& name, DWORD* type, QByteArray* data)
{
    return inHive(id) ? m_hives->queryValue(toHive(id), name, type, data) : m_store->queryValue(id, name, type, data);
}

LONG HiveOverlay::setValue(KeyId id, const QString& name, DWORD type, QByteArrayView data)
{
    return inHive(id) ? m_hives->setValue(toHive(id), name, type, data) : m_store->setValue(id, name, type, data);
}

LONG HiveOverlay::deleteValue(KeyId id, const QString& name)
{
    return inHive(id) ? m_hives->deleteValue(toHive(id), name) : m_store->deleteValue(id, name);
}

LONG HiveOverlay::deleteKey(KeyId id)
{
    if (id == m_storeMachine)
        return ERROR_ACCESS_DENIED;
    return inHive(id) ? m_hives->deleteKey(toHive(id)) : m_store->deleteKey(id);
}

LONG HiveOverlay::keyInfo(KeyId id, BackendKeyInfo* info)
{
    if (inHive(id))
        return m_hives->keyInfo(toHive(id), info);
    const LONG rc = m_store->keyInfo(id, info);
    if (rc == ERROR_SUCCESS && id == m_storeMachine) {
        QStringList mounts;
        if (m_hives->subKeys(m_hiveMachine, &mounts, nullptr) == ERROR_SUCCESS) {
            info->subKeys += DWORD(mounts.size());
            for (const QString& name : std::as_const(mounts))
                info->maxSubKeyLen = std::max(info->maxSubKeyLen, DWORD(name.size()));
        }
    }
    return rc;
}

LONG HiveOverlay::keyDeny(KeyId id, DWORD* flags)
{
    return inHive(id) ? m_hives->keyDeny(toHive(id), flags) : m_store->keyDeny(id, flags);
}

LONG HiveOverlay::setKeyDeny(KeyId id, DWORD flags)
{
    return inHive(id) ? m_hives->setKeyDeny(toHive(id), flags) : m_store->setKeyDeny(id, flags);
}

LONG HiveOverlay::beginBatch()
{
    (void)m_hives->beginBatch();
    return m_store->beginBatch();
}

LONG HiveOverlay::endBatch()
{
    const LONG hives = m_hives->endBatch();
    const LONG store = m_store->endBatch();
    return store != ERROR_SUCCESS ? store : hives;
}

LONG HiveOverlay::flush()
{
    const LONG hives = m_hives->flush();
    const LONG store = m_store->flush();
    return store != ERROR_SUCCESS ? store : hives;
}

LONG HiveOverlay::batchFailure()
{
    const LONG store = m_store->batchFailure();
    return store != ERROR_SUCCESS ? store : m_hives->batchFailure();
}

quint64 HiveOverlay::subKeyGeneration(KeyId id)
{
    if (inHive(id))
        return m_hives->subKeyGeneration(toHive(id));
    const quint64 g = m_store->subKeyGeneration(id);
    return id == m_storeMachine ? g + m_hives->subKeyGeneration(m_hiveMachine) : g;
}

quint64 HiveOverlay::valueGeneration(KeyId id)
{
    return inHive(id) ? m_hives->valueGeneration(toHive(id)) : m_store->valueGeneration(id);
}

quint64 HiveOverlay::deletionGeneration()
{
    return m_store->deletionGeneration() + m_hives->deletionGeneration();
}

// Watches of the hives' keys are accepted but never fire: only this process writes the hives.
LONG HiveOverlay::watchedKey(KeyId id, bool subtree, DWORD filter, WatchedKey* key)
{
    if (!inHive(id))
        return m_store->watchedKey(id, subtree, filter, key);
    const LONG rc = m_hives->watchedKey(toHive(id), subtree, filter, key);
    key->where.prepend(HiveWhere);
    return rc;
}

bool HiveOverlay::concerns(const BackendChange& change, const WatchedKey& key) const
{
    return !key.where.startsWith(HiveWhere) && m_store->concerns(change, key);
}
