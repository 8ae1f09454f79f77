#include "app/ToolCommands.h"

#include "changes/ChangeTool.h"

#include <array>

namespace {

// One line per command; the usage text lists them in this order.
const std::array<ToolCommand, 2> Commands{{
    {QLatin1StringView("snapshot"), QLatin1StringView("snapshot SCHL\xDC" "SSEL|ALL DATEI") /* Latin-1 */, StoreAccess::ReadOnly,
     &SnapshotCommand},
    {QLatin1StringView("compare"), QLatin1StringView("compare DATEI [/m FLAGS] [/x] [/o AUSGABE]"),
     StoreAccess::ReadOnly, &CompareCommand},
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
