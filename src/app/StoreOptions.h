#pragma once

// The options before a command that choose which registry kaven-reg and kaven-regserve work on, beside
// the store's own --registry.

#include "platform/WinReg.h"

#include <QString>
#include <QStringList>

// The hive options before the command ("--hive FILE[:NAME]" repeatable, "--windows DIR", "--user NAME",
// "--wine PREFIX", "--write"), mixed with the store's own; the other leading options and the command go
// to *rest. Answers the message of a wrong combination, empty when they fit.
[[nodiscard]] QString splitHiveOptions(const QStringList& arguments, RegHiveOptions* hives, QString* winePrefix,
                                       QStringList* rest);
