#pragma once

// kaven-reg's commands of change detection:
//   snapshot KEY|ALL FILE                      the analysis file of KEY's branch, or of the selected root keys
//   compare FILE [/m FLAGS] [/x] [/o OUT]      the change list of the live registry against FILE
// compare prints one line per entry (comment, TAB, value column, TAB, key column) and exits 0 without
// changes, 2 with changes, 1 on an error; a damaged file's entries found before the damage are kept.

#include <QString>
#include <QStringList>

class ToolIo;

[[nodiscard]] int SnapshotCommand(ToolIo& io, const QStringList& args);
[[nodiscard]] int CompareCommand(ToolIo& io, const QStringList& args);

// The data folder of the program's settings ("DataPath"), else the per-user one.
[[nodiscard]] QString ChangeDataFolder();
