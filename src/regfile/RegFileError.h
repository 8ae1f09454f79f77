#pragma once

// The reason of the last failed registry-file parse or import: one text per program, empty at start,
// readable until the next import or parse.

#include <QString>

[[nodiscard]] const QString& LastRegFileError();
void SetLastRegFileError(const QString& text);
