#pragma once

// The two registry-file formats: "REGEDIT4" (8-bit text, stops at the first bad line) and version 5
// (headed "Windows Registry Editor Version 5.00", UTF-16LE when written, unreadable lines skipped).

#include <QString>

enum class RegFileFormat { Regedit4, Version5 };

namespace RegFileHeaders {
inline const QString Regedit4 = QStringLiteral("REGEDIT4");
inline const QString Version5 = QStringLiteral("Windows Registry Editor Version 5.00");
} // namespace RegFileHeaders
