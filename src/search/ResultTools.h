#pragma once

// kaven-reg's replace, delete-found and check: the window's tools over the rows of a listing search,
// every row taken as marked and nothing asked.
//   replace [--] FIND NEW [search options] [/n]   one line per changed entry:
//       found-at TAB key path TAB value column TAB old text TAB new text
//   delete-found [--] TEXT [search options] [/n]  one line per deleted entry:
//       found-at TAB key path TAB value column
//   check [/f KEY]                                one line per value naming a path that does not exist:
//       found-at TAB key path TAB value column TAB the path found missing
// /n only lists what would change. Exit 0; 1 on an error, also when some entry could not be changed
// (reported on standard error after the others were done).

#include <QStringList>

class ToolIo;

[[nodiscard]] int ReplaceTool(ToolIo& io, const QStringList& args);
[[nodiscard]] int DeleteFoundTool(ToolIo& io, const QStringList& args);
[[nodiscard]] int CheckTool(ToolIo& io, const QStringList& args);
