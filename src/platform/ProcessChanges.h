#pragma once

// The changes made through one registry in this process, for the watches of registries read whole from
// files (hives, Wine prefixes): such a file tells nothing of what another process does to it.

#include "platform/RegistryBackend.h"

#include <QVector>

class ProcessChanges final {
public:
    void record(const QString& where, DWORD bits)
    {
        m_changes.append(BackendChange{ChangeCursor{m_changes.size() + 1}, where, bits});
    }
    [[nodiscard]] ChangeCursor cursor() const { return ChangeCursor{m_changes.size()}; }
    [[nodiscard]] QVector<BackendChange> since(ChangeCursor from) const
    {
        return m_changes.mid(qBound<qint64>(0, from.position, m_changes.size()));
    }

    // Keys are named by backslash paths: a watch hears of its key's deletion and of the deletion of a
    // key above it, and of the changes its filter names at its key or, for a subtree, below it.
    [[nodiscard]] static bool concerns(const BackendChange& change, const WatchedKey& key)
    {
        const QString below = key.where + QLatin1Char('\\');
        if (change.bits & KeyDeletedBit)
            return change.where == key.where || key.where.startsWith(change.where + QLatin1Char('\\'))
                || (key.subtree && change.where.startsWith(below));
        if (!(change.bits & key.filter))
            return false;
        return change.where == key.where || (key.subtree && change.where.startsWith(below));
    }

private:
    QVector<BackendChange> m_changes;
};
