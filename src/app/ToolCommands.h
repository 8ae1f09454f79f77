#pragma once

// The kaven-reg commands that live with their subject (search, changes, ...) rather than in the tool
// itself. Each takes the arguments after its name and answers with the exit status; the store is open.

#include "platform/WinReg.h"

#include <QLatin1StringView>
#include <QStringList>

#include <span>

class ToolIo;

struct ToolCommand {
    QLatin1StringView name;  // lower case
    const char* usage;       // its line in the usage text, without indentation; UTF-8
    StoreAccess access;
    int (*run)(ToolIo& io, const QStringList& args);
};

[[nodiscard]] std::span<const ToolCommand> ToolCommands();
// The command of this name, ignoring case; null when there is none.
[[nodiscard]] const ToolCommand* FindToolCommand(const QString& name);
