#pragma once

// QSaveFile::commit() renames the temporary file even when its last buffered bytes failed to reach the
// disk (full disk, size limit), replacing a good file with a cut one. Every file the program replaces
// as a whole commits through here instead.

class QSaveFile;

// Flushes, and renames only when every byte was written; otherwise the old file stays and false comes back.
[[nodiscard]] bool CommitSaveFile(QSaveFile& file);
