#include "statistics/ValueProperties.h"

#include "registry/RegValueUtils.h"

ValueProperties CountValueRows(const QString& keyPath, const QList<ValueRow>& rows)
{
    ValueProperties p;
    for (const ValueRow& row : rows) {
        if (row.isDefault && !ValueExistsPath(keyPath, QString()))
            continue;
        const qint64 size = qMax(GetValueSize(keyPath, row.valueName()), 0);
        switch (row.image) {
        case ImageString:
            ++p.strings;
            p.stringSize += size;
            break;
        case ImageDWord:
            ++p.dwords;
            p.dwordSize += size;
            break;
        default:
            ++p.binaries;
            p.binarySize += size;
        }
    }
    return p;
}
