#pragma once

// kaven-reg search: the listing search for scripts, from every root key or below one key, its rows on
// standard output in the result list's order, optionally saved as a search list file.

#include <QStringList>

class ToolIo;

// search [--] TEXT [/k] [/v] [/d] [/t TYPES] [/c] [/e] [/l] [/f KEY] [/o FILE.slt]
[[nodiscard]] int SearchToolCommand(ToolIo& io, const QStringList& args);
