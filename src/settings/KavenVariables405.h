#pragma once

// Program-wide words that exist before the main window: the settings key is built from the company
// and product words, every message box carries the program title as caption.

#include <QString>

namespace KavenVariables405 {

inline const QString CompanyWord = QStringLiteral("Fenmarsh");
inline const QString ProductWord = QStringLiteral("Kaven");
inline const QString Version = QStringLiteral("1.0");
inline const QString ProgramTitle = ProductWord + QLatin1Char(' ') + Version; // "Kaven 1.0"

// The clipboard formats of keys and values, shared with other running instances.
inline const QString KeyClipFormat = QStringLiteral("Kaven.Key.1");
inline const QString ValueClipFormat = QStringLiteral("Kaven.Value.1");

// Set once at start: "Tahoma" when the system has it, otherwise empty (forms keep the system font).
inline QString FontName;
// Set once at start, each with trailing "/" (see OptionsStore): the executable's directory (programs
// shipped beside it), the per-user data folder (everything the program writes) and the folder of the
// files shipped with the program (information file, help).
inline QString ProgramDir;
inline QString UserDataDir;
inline QString SharedDataDir;

} // namespace KavenVariables405
