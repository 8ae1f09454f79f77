#include "registry/TRegValue.h"

TRegValue MakeRegValue(DWORD dataType, const QString& stringData, DWORD dwordData, const QByteArray& binaryData)
{
    TRegValue value;
    value.DataType = dataType;
    value.StringData = stringData;
    value.DWordData = dwordData;
    value.BinaryData = binaryData;
    return value;
}
