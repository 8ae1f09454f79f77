#pragma once

#include <QString>
#include <QStringList>

namespace StoreLocation {

// The programs' own options stand before the command, or before "--": "--registry PATH" or
// "--registry=PATH". The first other argument ends them, so an argument further on that looks like an
// option (value data "--registry=/x") is left to the command.
struct LeadingOptions {
    QString registry; // the path given, empty when none was
    QStringList rest; // the command and its arguments
    QString error;    // "--registry" without its path
};
[[nodiscard]] LeadingOptions splitOptions(const QStringList& arguments);

// The local store: the path of the options, else $KAVEN_REGISTRY, else
// $XDG_DATA_HOME/kaven/registry.db (~/.local/share when unset).
[[nodiscard]] QString resolvePath(const QString& registryOption);

// The same for the program's whole argument list (program name first). Empty with *error set when
// "--registry" lacks its path.
[[nodiscard]] QString resolve(const QStringList& arguments, QString* error = nullptr);
// The arguments (program name first) with the leading options removed.
[[nodiscard]] QStringList withoutRegistryOption(const QStringList& arguments);

} // namespace StoreLocation
