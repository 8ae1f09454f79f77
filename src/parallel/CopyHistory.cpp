#include "parallel/CopyHistory.h"

QString CopyHistory::fileNameFor(const QString& machine)
{
    return QString(machine).remove(QLatin1Char('\\')) + QStringLiteral("copyhistory.dat");
}
