#include "platform/FileCommit.h"

#include <QSaveFile>

bool CommitSaveFile(QSaveFile& file)
{
    if (!file.flush()) {
        file.cancelWriting(); // the temporary file goes with the QSaveFile
        return false;
    }
    return file.commit();
}
