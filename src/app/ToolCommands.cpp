#include "app/ToolCommands.h"

#include "statistics/StatisticsTool.h"
#include "watch/WatchTool.h"

#include <array>

namespace {

// One line per command; the usage text lists them in this order.
const std::array Commands{
    ToolCommand{QLatin1StringView("stats"), QLatin1StringView("stats SCHL\xDCSSEL"), StoreAccess::ReadOnly,
                StatisticsToolCommand},
    ToolCommand{QLatin1StringView("watch"), QLatin1StringView("watch SCHL\xDCSSEL [/s] [/t SEKUNDEN]"),
                StoreAccess::ReadOnly, WatchToolCommand},
};

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
