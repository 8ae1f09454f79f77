#pragma once

// Editing the key information file: its markup source is a plain text file beside it (same name,
// ".txt"), edited in any text editor and turned into the file again by the lorewright program that is
// installed beside this program.

#include <QString>
#include <QStringList>

namespace InfoEditing {

inline const QString CannotStartText = QStringLiteral("Kann \"Lorewright\" nicht starten.");

// "/a/info.rgf" -> "/a/info.txt".
[[nodiscard]] QString sourcePath(const QString& infoFile);
// lorewright in the program's folder; empty when it is not there.
[[nodiscard]] QString lorewrightPath();

struct RunResult {
    bool started = false;
    int exitCode = -1;
    QString messages; // what lorewright wrote to standard error
    [[nodiscard]] bool ok() const { return started && exitCode == 0; }
};
// Runs lorewright with the arguments and waits for it.
[[nodiscard]] RunResult runLorewright(const QString& program, const QStringList& arguments);

} // namespace InfoEditing
