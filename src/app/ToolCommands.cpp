#include "app/ToolCommands.h"

#include <array>

namespace {

// One line per command; the usage text lists them in this order.
const std::array<ToolCommand, 0> Commands{};

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
