#include "mainwindow/MachineList.h"

#include "mainwindow/NavigationHistory.h"
#include "platform/WinCase.h"
#include "registry/RegUtils.h"

namespace MachineList {

QStringList load(const QString& fileName)
{
    QStringList machines = ListFile::read(fileName);
    if (indexOf(machines, LocalMachineWord) < 0)
        machines.append(LocalMachineWord);
    return machines;
}

bool save(const QStringList& machines, const QString& fileName)
{
    return ListFile::write(fileName, machines);
}

QString entryFor(const QString& machine)
{
    QString name = machine.trimmed();
    while (name.startsWith(QLatin1Char('\\')))
        name.remove(0, 1);
    if (name.isEmpty() || winEqualsNoCase(name, LocalMachineWord))
        return LocalMachineWord;
    return QStringLiteral("\\\\") + name;
}

int add(QStringList& machines, const QString& machine)
{
    const bool hadLocal = indexOf(machines, LocalMachineWord) >= 0;
    const int index = AddRecentEntry(machines, entryFor(machine), MaxEntries, true);
    // A full list drops its last entry, but "Lokaler PC" stays listed.
    if (hadLocal && machines.size() > 1 && indexOf(machines, LocalMachineWord) < 0)
        machines.last() = LocalMachineWord;
    return index;
}

int indexOf(const QStringList& machines, const QString& machine)
{
    const QString entry = entryFor(machine);
    for (int i = 0; i < machines.size(); ++i) {
        if (winEqualsNoCase(machines[i], entry))
            return i;
    }
    return -1;
}

} // namespace MachineList
