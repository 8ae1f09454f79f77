#pragma once

// Replaces a list file as a whole: the bytes go to a temporary file beside it, which takes the file's
// name only when every byte reached the disk. A failed write (full disk, size limit) leaves the old file.

#include <QString>

#include <functional>

class QIODevice;

namespace ListFileWriter {

// Creates the file's folder when needed. A read-only file is left alone (false), and so is a file of an
// open registry store.
[[nodiscard]] bool replace(const QString& fileName, const std::function<bool(QIODevice&)>& write);

} // namespace ListFileWriter
