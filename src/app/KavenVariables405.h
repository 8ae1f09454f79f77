#pragma once

// Program-wide words that exist before the main window: the settings key is built from the company
// and product words, every message box carries the program title as caption.

#include <QString>

namespace KavenVariables405 {

inline const QString CompanyWord = QStringLiteral("Fenmarsh");
inline const QString ProductWord = QStringLiteral("Kaven");
inline const QString Version = QStringLiteral("1.0");
inline const QString ProgramTitle = ProductWord + QLatin1Char(' ') + Version; // "Kaven 1.0"

} // namespace KavenVariables405
