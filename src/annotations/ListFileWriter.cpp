#include "annotations/ListFileWriter.h"

#include "platform/StoreFiles.h"
#include "settings/OptionsStore.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace ListFileWriter {

bool replace(const QString& fileName, const std::function<bool(QIODevice&)>& write)
{
    if (StoreFiles::isStoreFile(fileName) || !QDir().mkpath(QFileInfo(fileName).absolutePath()) ||
        !ListFileMayBeWritten(fileName))
        return false;
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // commit() alone would rename a file whose buffered bytes failed to reach the disk: flush first.
    if (!write(file) || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace ListFileWriter
