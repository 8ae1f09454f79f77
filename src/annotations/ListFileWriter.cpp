#include "annotations/ListFileWriter.h"

#include "platform/FileCommit.h"
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
    if (!write(file)) {
        file.cancelWriting();
        return false;
    }
    return CommitSaveFile(file);
}

} // namespace ListFileWriter
