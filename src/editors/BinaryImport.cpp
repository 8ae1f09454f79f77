#include "editors/BinaryImport.h"

#include "app/StoreFileGuard.h"
#include "registry/MessageSink.h"

#include <QFile>

bool ReadImportFile(const QString& fileName, QByteArray& data)
{
    if (RefuseStoreFile(fileName))
        return false;
    QFile file(fileName);
    if (!file.exists() || !file.open(QIODevice::ReadOnly))
        return false;
    const qint64 size = file.size();
    if (size > ImportMaxSize) {
        (void)messageSink().message(MessageKind::Error, QStringLiteral("Fehler"),
                                    QStringLiteral("Ungültige Dateigröße (> 10 KB)."));
        return false;
    }
    if (size > ImportWarnSize
        && messageSink().askToStop(QStringLiteral("Warnung"),
                                   QStringLiteral("Kritische Dateigröße (> 2 KB). Abbrechen?"))
               != MessageAnswer::No)
        return false;
    // Read no more than the limit even if the file grew meanwhile.
    const QByteArray bytes = file.read(ImportMaxSize + 1);
    if (bytes.size() > ImportMaxSize || file.error() != QFileDevice::NoError)
        return false;
    data = bytes;
    return true;
}
