#include "app/ToolCommands.h"

#include "search/ResultTools.h"

#include <array>

namespace {

// One line per command; the usage text lists them in this order.
const std::array<ToolCommand, 3> Commands{{
    {QLatin1StringView("replace"), QLatin1StringView("replace [--] SUCHTEXT ERSATZ [Suchoptionen] [/n]"),
     StoreAccess::ReadWrite, &ReplaceTool},
    {QLatin1StringView("delete-found"), QLatin1StringView("delete-found [--] SUCHTEXT [Suchoptionen] [/n]"),
     StoreAccess::ReadWrite, &DeleteFoundTool},
    // The usage line is Latin-1: "\xDC" is the "Ü".
    {QLatin1StringView("check"), QLatin1StringView("check [/f SCHL\xDC" "SSEL]"), StoreAccess::ReadOnly, &CheckTool},
}};

} // namespace

std::span<const ToolCommand> ToolCommands()
{
    return Commands;
}

const ToolCommand* FindToolCommand(const QString& name)
{
    for (const ToolCommand& command : Commands) {
        if (name.compare(command.name, Qt::CaseInsensitive) == 0)
            return &command;
    }
    return nullptr;
}
