#include "regfile/RegFileError.h"

namespace {
QString g_lastError;
}

const QString& LastRegFileError()
{
    return g_lastError;
}

void SetLastRegFileError(const QString& text)
{
    g_lastError = text;
}
