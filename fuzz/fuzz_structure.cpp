// Key structures (".rst") and the tree rebuilt from their levels.

#include "FuzzSupport.h"

#include "annotations/StructureFile.h"

#include <QBuffer>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray input = Fuzz::bytes(data, size);
    QBuffer device(&input);
    device.open(QIODevice::ReadOnly);
    const Structure structure = StructureFile::read(device);
    (void)StructureFile::parentIndices(structure.nodes);
    return 0;
}
