#include "platform/StoreLocation.h"

#include <QDir>
#include <QStandardPaths>

namespace StoreLocation {

QString resolve(const QStringList& arguments, QString* error)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments.at(i);
        if (a == QLatin1String("--registry")) {
            if (i + 1 >= arguments.size()) {
                if (error)
                    *error = QStringLiteral("Nach --registry fehlt der Pfad der Registrierungsdatenbank.");
                return {};
            }
            return arguments.at(i + 1);
        }
        if (a.startsWith(QLatin1String("--registry=")))
            return a.mid(11);
    }
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

QStringList withoutRegistryOption(const QStringList& arguments)
{
    QStringList out;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments.at(i);
        if (i > 0 && a == QLatin1String("--registry")) {
            ++i;
            continue;
        }
        if (i > 0 && a.startsWith(QLatin1String("--registry=")))
            continue;
        out.append(a);
    }
    return out;
}

} // namespace StoreLocation
