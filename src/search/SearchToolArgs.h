#pragma once

// The search options of kaven-reg's search, replace and delete-found commands:
//   [--] TEXT [more positional] [/k] [/v] [/d] [/t SZ,DWORD,BINARY] [/c] [/e] [/l] [/f KEY] [/o FILE]
// and a command's own switches. The listing bit is always set; /k /v /d choose what is looked at (none:
// all three), /t the types (absent: all three), /c case, /e the whole text, /l logical operators.

#include "search/SearchMatcher.h"

#include <QString>
#include <QStringList>

struct SearchToolArgs {
    SearchCriteria criteria;
    QStringList positional; // the positional arguments after TEXT (the replacement text of replace)
    QString fromKey;        // /f: as given; empty for every root key
    QString outFile;        // /o
    QStringList switches;   // the command's own switches that were given, lower case ("/n")
    QString error;          // a German message; empty when the arguments are valid
};

// positionalCount: the positional arguments after TEXT; ownSwitches: the command's switches without a
// value, lower case.
[[nodiscard]] SearchToolArgs ParseSearchToolArgs(const QStringList& args, int positionalCount,
                                                 const QStringList& ownSwitches = {});
