#include "app/ToolCommands.h"

#include "search/SearchTool.h"

#include <array>

namespace {

// One line per command; the usage text lists them in this order.
const std::array<ToolCommand, 1> Commands{
    ToolCommand{QLatin1StringView("search"),
                // the texts are Latin-1: "\xDC" is the "Ü" of SCHLÜSSEL
                QLatin1StringView("search [--] TEXT [/k] [/v] [/d] [/t SZ,DWORD,BINARY] [/c] [/e] [/l] "
                                  "[/f SCHL\xDC"
                                  "SSEL] [/o DATEI.slt]"),
                StoreAccess::ReadOnly, &SearchToolCommand},
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
