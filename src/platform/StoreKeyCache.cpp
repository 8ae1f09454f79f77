#include "platform/StoreKeyCache.h"

namespace {

constexpr qsizetype kMaxRemembered = 50000;
// Past this many counted keys a new epoch starts over (handles reload their lists once).
constexpr qsizetype kMaxCounted = 200000;

} // namespace

const StoreKeyCache::Entry* StoreKeyCache::find(const QString& upperPath) const
{
    const auto it = m_idOf.constFind(upperPath);
    return it == m_idOf.constEnd() ? nullptr : &*it;
}

void StoreKeyCache::store(const QString& upperPath, const Entry& entry)
{
    if (m_idOf.size() > kMaxRemembered) {
        forgetPaths();
        // a bulk import fills them up again: grown once, not step by step
        m_idOf.reserve(kMaxRemembered + 1);
        m_pathOf.reserve(kMaxRemembered + 1);
    }
    m_idOf.insert(upperPath, entry);
    m_pathOf.insert(entry.id, upperPath);
}

void StoreKeyCache::remember(KeyId id, const QString& upperPath, DWORD deny)
{
    store(upperPath, Entry{id, deny, 0});
}

void StoreKeyCache::rememberNew(KeyId id, const QString& upperPath)
{
    store(upperPath, Entry{id, 0, m_subKeysRound});
}

void StoreKeyCache::forget(KeyId id, const QString& upperPath)
{
    m_idOf.remove(upperPath);
    m_pathOf.remove(id);
    // a forgotten key may still exist (its access changed): its parent no longer knows all its subkeys
    ++m_subKeysRound;
}

void StoreKeyCache::forgetPaths()
{
    m_idOf.clear();
    m_pathOf.clear();
}

void StoreKeyCache::newEpoch()
{
    forgetPaths();
    m_subKeys.clear();
    m_values.clear();
    m_hotValues = 0;
    m_hotValueCount = 0;
    m_deletions = 0;
    ++m_epoch;
}

void StoreKeyCache::bumpSubKeys(KeyId id)
{
    if (m_subKeys.size() > kMaxCounted)
        newEpoch();
    ++m_subKeys[id];
}

void StoreKeyCache::bumpValues(KeyId id)
{
    if (id == m_hotValues) {
        ++m_hotValueCount;
        return;
    }
    if (m_hotValues != 0)
        m_values.insert(m_hotValues, m_hotValueCount);
    if (m_values.size() > kMaxCounted)
        newEpoch();
    m_hotValues = id;
    m_hotValueCount = m_values.value(id) + 1;
}
