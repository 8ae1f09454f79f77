#pragma once

// The reason of the last failed registry-file parse or import: one text per program, empty at start,
// readable until the next import or parse. Only the functions under the names the rest of the program
// knows (ImportRegFile, ParseRegValueLine ...) fill it, from the result they got; the reader and the
// rules themselves answer with a RegFileResult.

#include <QString>

[[nodiscard]] const QString& LastRegFileError();
void SetLastRegFileError(const QString& text);
