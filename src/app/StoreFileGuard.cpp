#include "app/StoreFileGuard.h"

#include "platform/StoreFiles.h"
#include "registry/RegMessageUtils.h"

#include <QFileInfo>

bool RefuseStoreFile(const QString& fileName)
{
    if (fileName.isEmpty() || !StoreFiles::isStoreFile(fileName))
        return false;
    ShowError(QStringLiteral("Die Datei \"") + QFileInfo(fileName).fileName() +
              QStringLiteral("\" gehört zur geöffneten Registrierung und kann nicht verwendet werden."));
    return true;
}
