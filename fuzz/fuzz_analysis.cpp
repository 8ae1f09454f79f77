// Analysis files (".rec"), read back key by key as the comparison reads them.

#include "FuzzSupport.h"

#include "changes/AnalysisFile.h"

#include <QBuffer>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray input = Fuzz::bytes(data, size);
    QBuffer device(&input);
    device.open(QIODevice::ReadOnly);
    AnalysisFileReader reader(device);
    StoredKey key;
    while (reader.next(key) == AnalysisFileReader::Step::Key) {
    }
    (void)reader.error().text(QStringLiteral("x.rec"));
    return 0;
}
