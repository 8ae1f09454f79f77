#include "support/TempStore.h"

#include "platform/WinReg.h"

#include <QDir>

TempStore::TempStore()
{
    RegShutdown();
    if (!m_dir.isValid())
        return;
    QDir(m_dir.path()).mkpath(QStringLiteral("data"));
    qputenv("KAVEN_REGISTRY", storePath().toUtf8());
    // The per-user data folder of the program lies in the temporary directory too.
    qputenv("XDG_DATA_HOME", m_dir.path().toUtf8());
    m_ok = RegOpenLocalStore(storePath()) == ERROR_SUCCESS;
}

TempStore::~TempStore()
{
    RegShutdown();
}

QString TempStore::storePath() const
{
    return m_dir.filePath(QStringLiteral("registry.db"));
}

QString TempStore::dataDir() const
{
    return m_dir.filePath(QStringLiteral("data"));
}

QString TempStore::otherStorePath(const QString& name) const
{
    return m_dir.filePath(name + QStringLiteral(".db"));
}
