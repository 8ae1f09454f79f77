// Aliases (alias.dat) and their use in the navigation box.

#include "FuzzSupport.h"

#include "annotations/AliasFile.h"

#include <QBuffer>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray input = Fuzz::bytes(data, size);
    QBuffer device(&input);
    device.open(QIODevice::ReadOnly);
    QList<AliasEntry> aliases = AliasFile::read(device);
    if (!aliases.isEmpty()) {
        (void)AliasFile::resolve(aliases, aliases.first().name, [](const QString&) { return false; });
        AliasFile::setAlias(aliases, aliases.last().keyPath, QStringLiteral("x"));
    }
    return 0;
}
