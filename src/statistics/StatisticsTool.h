#pragma once

#include <QStringList>

class ToolIo;

// kaven-reg stats KEY: the statistics dialog's lines as "Name: Wert" lines in the dialog's order.
[[nodiscard]] int StatisticsToolCommand(ToolIo& io, const QStringList& args);
