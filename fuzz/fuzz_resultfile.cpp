// Search list files (".slt").

#include "FuzzSupport.h"

#include "search/ResultFile.h"

#include <QBuffer>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray input = Fuzz::bytes(data, size);
    QBuffer device(&input);
    device.open(QIODevice::ReadOnly);
    const ResultFileContent content = ResultFile::read(device);
    // What was read must write back.
    for (const ResultRow& row : content.rows)
        (void)ResultFile::lineFor(row);
    return 0;
}
