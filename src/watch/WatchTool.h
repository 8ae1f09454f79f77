#pragma once

#include <QStringList>

class ToolIo;

// kaven-reg watch KEY [/s] [/t SECONDS]: one line per change notification of the key ("dd.mm.yyyy
// hh:nn:ss", TAB, key path) until interrupted or SECONDS have passed; exit status 0.
[[nodiscard]] int WatchToolCommand(ToolIo& io, const QStringList& args);
