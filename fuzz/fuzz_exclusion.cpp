// The exclusion list (excl.dat) and the tests the comparison makes with its lines.

#include "FuzzSupport.h"

#include "changes/ExclusionList.h"

#include <QBuffer>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray input = Fuzz::bytes(data, size);
    QBuffer device(&input);
    device.open(QIODevice::ReadOnly);
    QStringList lines = ExclusionFile::read(device);
    const QString path = QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Kaven\\");
    (void)IsKeyIncluded(path, lines, true);
    (void)FindExclusion(lines, path, ExclusionMode::Duplicate);
    for (int row = 0; row < lines.size() && row < 64; ++row) {
        (void)ExclusionFlagsOf(lines.at(row));
        (void)FindExclusion(lines, ExclusionPathOf(lines.at(row)), ExclusionMode::Exclude);
        ToggleExclusionFlag(lines, row, ExclusionFlags::SubKeys);
    }
    return 0;
}
