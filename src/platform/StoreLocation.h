#pragma once

#include <QString>
#include <QStringList>

namespace StoreLocation {

// The local store of this process: "--registry PATH" (or "--registry=PATH") among the arguments,
// else $KAVEN_REGISTRY, else $XDG_DATA_HOME/kaven/registry.db (~/.local/share when unset).
// Empty with *error set when "--registry" lacks its path.
[[nodiscard]] QString resolve(const QStringList& arguments, QString* error = nullptr);
// The arguments with "--registry PATH" removed, for the programs' own parsing.
[[nodiscard]] QStringList withoutRegistryOption(const QStringList& arguments);

} // namespace StoreLocation
