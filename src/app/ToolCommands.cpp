#include "app/ToolCommands.h"

#include "changes/ChangeTool.h"
#include "changes/UndoTool.h"
#include "search/ResultTools.h"
#include "search/SearchTool.h"
#include "statistics/StatisticsTool.h"
#include "watch/WatchTool.h"

#include <array>

namespace {

// One line per command; the usage text lists them in this order.
const std::array<ToolCommand, 9> Commands{{
    {QLatin1StringView("search"),
     "search [--] TEXT [/k] [/v] [/d] [/t SZ,DWORD,BINARY] [/c] [/e] [/l] [/f SCHLÜSSEL] [/o DATEI.slt]",
     StoreAccess::ReadOnly, &SearchToolCommand},
    {QLatin1StringView("replace"), "replace [--] SUCHTEXT ERSATZ [Suchoptionen] [/n]", StoreAccess::ReadWrite,
     &ReplaceTool},
    {QLatin1StringView("delete-found"), "delete-found [--] SUCHTEXT [Suchoptionen] [/n]", StoreAccess::ReadWrite,
     &DeleteFoundTool},
    {QLatin1StringView("check"), "check [/f SCHLÜSSEL]", StoreAccess::ReadOnly, &CheckTool},
    {QLatin1StringView("snapshot"), "snapshot SCHLÜSSEL|ALL DATEI", StoreAccess::ReadOnly, &SnapshotCommand},
    {QLatin1StringView("compare"), "compare DATEI [/m FLAGS] [/x] [/o AUSGABE]", StoreAccess::ReadOnly,
     &CompareCommand},
    {QLatin1StringView("undo"), "undo DATEI.cbk [/n]", StoreAccess::ReadWrite, &UndoToolCommand},
    {QLatin1StringView("stats"), "stats SCHLÜSSEL", StoreAccess::ReadOnly, &StatisticsToolCommand},
    {QLatin1StringView("watch"), "watch SCHLÜSSEL [/s] [/t SEKUNDEN]", StoreAccess::ReadOnly, &WatchToolCommand},
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
