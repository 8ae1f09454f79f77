#pragma once

// The first thing the program does: when its first argument names a registry file, it imports that
// file and ends without a window. With "/S" (any case) as second argument the import is silent except
// for a failure; otherwise the user is asked first and sees the progress dialog and the result.
// Without a display the messages go to standard error and the exit status tells the outcome.

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class Progress;

namespace CommandLineImport {

using ProgressFactory = std::function<std::unique_ptr<Progress>()>;

// The registry file an argument names: its extension replaced by ".reg" (".reg" appended when it has
// none); empty when no such file exists.
[[nodiscard]] QString registryFileName(const QString& argument);

// arguments: the program's arguments without the program name and without "--registry PATH".
// Imports when the first argument names a registry file and returns the exit status (0 imported,
// 1 not imported: declined, failed or cancelled); nullopt for the normal start. makeProgress builds the
// progress shown during an interactive import (the dialog in the windowed program).
[[nodiscard]] std::optional<int> run(const QStringList& arguments, const ProgressFactory& makeProgress);

// Whether a window system can be reached (DISPLAY, WAYLAND_DISPLAY or an explicit Qt platform).
[[nodiscard]] bool displayAvailable();

// For the very start of main(), before any window system is touched: without a display, runs the
// command-line import on a core application with the store of the arguments, messages on standard
// error. nullopt when there is a display or the arguments name no registry file.
[[nodiscard]] std::optional<int> runWithoutDisplay(int argc, char* argv[]);

} // namespace CommandLineImport
