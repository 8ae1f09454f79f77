#pragma once

// The binary editor's file import: a file up to 2 KB is taken as it is, one up to 10 KB after the user
// declined to cancel, a larger one is refused.

#include <QByteArray>
#include <QString>

inline constexpr qint64 ImportWarnSize = 2048;
inline constexpr qint64 ImportMaxSize = 10240;

// The file's bytes in data; false when refused, cancelled or unreadable (data unchanged).
[[nodiscard]] bool ReadImportFile(const QString& fileName, QByteArray& data);
