// Saved change lists (".cbk").

#include "FuzzSupport.h"

#include "changes/ChangeList.h"
#include "changes/ChangeListFile.h"

#include <QBuffer>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray input = Fuzz::bytes(data, size);
    QBuffer device(&input);
    device.open(QIODevice::ReadOnly);
    ChangeList list;
    (void)ChangeListFile::read(device, list).text(QStringLiteral("x.cbk"));
    return 0;
}
