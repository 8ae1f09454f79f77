#include "platform/StoreLocation.h"

#include <QDir>
#include <QStandardPaths>

namespace StoreLocation {

namespace {
const QString Option = QStringLiteral("--registry");
const QString OptionWithValue = QStringLiteral("--registry=");
} // namespace

LeadingOptions splitOptions(const QStringList& arguments)
{
    LeadingOptions options;
    qsizetype i = 0;
    for (; i < arguments.size(); ++i) {
        const QString& a = arguments.at(i);
        if (a == QLatin1String("--")) {
            ++i;
            break;
        }
        if (a == Option) {
            if (i + 1 >= arguments.size()) {
                options.error = QStringLiteral("Nach --registry fehlt der Pfad der Registrierungsdatenbank.");
                return options;
            }
            options.registry = arguments.at(++i);
        } else if (a.startsWith(OptionWithValue)) {
            options.registry = a.mid(OptionWithValue.size());
            if (options.registry.isEmpty()) {
                options.error = QStringLiteral("Nach --registry fehlt der Pfad der Registrierungsdatenbank.");
                return options;
            }
        } else {
            break;
        }
    }
    options.rest = arguments.mid(i);
    return options;
}

QString resolvePath(const QString& registryOption)
{
    if (!registryOption.isEmpty())
        return registryOption;
    const QString env = QString::fromLocal8Bit(qgetenv("KAVEN_REGISTRY"));
    if (!env.isEmpty())
        return env;
    QString base = QString::fromLocal8Bit(qgetenv("XDG_DATA_HOME"));
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.local/share");
    const QString dir = base + QStringLiteral("/kaven");
    QDir().mkpath(dir); // the default place is ours to create
    return dir + QStringLiteral("/registry.db");
}

QString resolve(const QStringList& arguments, QString* error)
{
    const LeadingOptions options = splitOptions(arguments.mid(1));
    if (!options.error.isEmpty()) {
        if (error)
            *error = options.error;
        return {};
    }
    return resolvePath(options.registry);
}

QStringList withoutRegistryOption(const QStringList& arguments)
{
    if (arguments.isEmpty())
        return {};
    return QStringList{arguments.first()} + splitOptions(arguments.mid(1)).rest;
}

} // namespace StoreLocation
