#pragma once

// kaven-reg undo CHANGES.cbk [/n]: turns back every entry of a saved change list, last entry first, as the window does
// with every question answered Yes, and prints one line per entry: comment, TAB, value column, TAB, key column, TAB,
// "rückgängig" or why the entry was left alone. /n only checks which entries still apply and changes nothing. Exit 0
// when every entry was (or would be) turned back, 2 when some were left alone, 1 on an error.

#include <QStringList>

class ToolIo;

[[nodiscard]] int UndoToolCommand(ToolIo& io, const QStringList& args);
