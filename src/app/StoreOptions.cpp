#include "app/StoreOptions.h"

QString splitHiveOptions(const QStringList& arguments, RegHiveOptions* hives, QString* winePrefix,
                         QStringList* rest)
{
    qsizetype i = 0;
    const auto argument = [&](const QString& option, QString* value) {
        if (i + 1 >= arguments.size())
            return QStringLiteral("Nach %1 fehlt ein Argument.").arg(option);
        *value = arguments.at(++i);
        return QString();
    };
    QString error;
    for (; i < arguments.size() && error.isEmpty(); ++i) {
        const QString& a = arguments.at(i);
        QString value;
        if (a == QLatin1String("--hive")) {
            if ((error = argument(a, &value)).isEmpty())
                hives->hives << value;
        } else if (a == QLatin1String("--windows")) {
            error = argument(a, &hives->windowsFolder);
        } else if (a == QLatin1String("--user")) {
            error = argument(a, &hives->user);
        } else if (a == QLatin1String("--wine")) {
            error = argument(a, winePrefix);
        } else if (a == QLatin1String("--write")) {
            hives->write = true;
        } else if (a == QLatin1String("--registry")) {
            rest->append(a);
            if (i + 1 < arguments.size())
                rest->append(arguments.at(++i));
        } else if (a.startsWith(QLatin1String("--registry="))) {
            rest->append(a);
        } else {
            break;
        }
    }
    if (!error.isEmpty())
        return error;
    *rest += arguments.mid(i);
    if (int(!hives->hives.isEmpty()) + int(!hives->windowsFolder.isEmpty()) + int(!winePrefix->isEmpty()) > 1)
        return QStringLiteral("Nur eine der Angaben --hive, --windows und --wine ist möglich.");
    if (!hives->user.isEmpty() && hives->windowsFolder.isEmpty())
        return QStringLiteral("--user gilt nur zusammen mit --windows.");
    if (hives->write && hives->hives.isEmpty() && hives->windowsFolder.isEmpty() && winePrefix->isEmpty())
        return QStringLiteral("--write gilt nur zusammen mit --hive, --windows oder --wine.");
    return {};
}
