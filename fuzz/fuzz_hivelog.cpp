// Transaction logs of a hive, replayed over a dirty hive: the input is the log.

#include "FuzzSupport.h"

#include "platform/hive/HiveImage.h"

#include <QFile>

namespace {

QByteArray g_primary;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::initApplication();
    // A hive whose base block says it is dirty, so that the log is replayed over it.
    QFile file(QStringLiteral(KAVEN_SHARED_DIR "/corpus/hives/yarp__NewDirtyHive1_NewDirtyHive"));
    if (file.open(QIODevice::ReadOnly))
        g_primary = file.readAll();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray log = Fuzz::bytes(data, size);
    (void)HiveImage::replay(g_primary, {log});
    // The log as the primary too: a damaged base block is rebuilt from a log.
    (void)HiveImage::replay(log, {log});
    return 0;
}
