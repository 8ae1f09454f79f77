// Registry files applied to a real store: the reader's states (header, keys, deletions, byte lists
// that continue) with every write the file asks for.

#include "FuzzSupport.h"

#include "regfile/RegFileLineSource.h"
#include "regfile/RegFileReader.h"
#include "registry/Progress.h"

#include <QBuffer>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::initApplication();
    Fuzz::openFreshStore();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A new store now and then keeps the file small however many keys the inputs create.
    static int runs = 0;
    if (++runs % 2000 == 0)
        Fuzz::openFreshStore();
    QByteArray input = Fuzz::bytes(data, size);
    QBuffer device(&input);
    device.open(QIODevice::ReadOnly);
    const std::unique_ptr<RegFileLineSource> lines = RegFileDecoding::openLines(device);
    NullProgress progress;
    RegFileReader reader(progress);
    (void)reader.run(*lines);
    return 0;
}
