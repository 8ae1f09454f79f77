#include "mainwindow/KeyPathInput.h"

#include "registry/RegUtils.h"

#include <QStringList>

namespace {

struct Abbreviation {
    QLatin1StringView shortName;
    QLatin1StringView rootKey;
};

constexpr Abbreviation Abbreviations[] = {
    {QLatin1StringView("HKLM"), QLatin1StringView("HKEY_LOCAL_MACHINE")},
    {QLatin1StringView("HKCU"), QLatin1StringView("HKEY_CURRENT_USER")},
    {QLatin1StringView("HKCR"), QLatin1StringView("HKEY_CLASSES_ROOT")},
    {QLatin1StringView("HKU"), QLatin1StringView("HKEY_USERS")},
    {QLatin1StringView("HKCC"), QLatin1StringView("HKEY_CURRENT_CONFIG")},
};

// Prefixes naming the machine in front of a root key.
QStringList machinePrefixes()
{
    return {QStringLiteral("Computer\\"), MyComputerName + QLatin1Char('\\')};
}

} // namespace

QString NormalizeKeyPath(const QString& typed)
{
    QString path = typed.trimmed();
    if (path.size() >= 2 && path.startsWith(QLatin1Char('"')) && path.endsWith(QLatin1Char('"')))
        path = path.mid(1, path.size() - 2).trimmed();
    for (const QString& prefix : machinePrefixes()) {
        if (path.startsWith(prefix, Qt::CaseInsensitive)) {
            path.remove(0, prefix.size());
            break;
        }
    }
    while (path.startsWith(QLatin1Char('\\')))
        path.remove(0, 1);
    while (path.endsWith(QLatin1Char('\\')))
        path.chop(1);
    const qsizetype cut = path.indexOf(QLatin1Char('\\'));
    const QString root = cut < 0 ? path : path.left(cut);
    for (const Abbreviation& a : Abbreviations) {
        if (root.compare(a.shortName, Qt::CaseInsensitive) == 0)
            return QString(a.rootKey) + path.mid(root.size());
    }
    return path;
}
