#pragma once

// The machines whose registry can be shown, as the network bar's combo box lists them: "Lokaler PC"
// always, remote machines as entered with their leading "\\", the newest at the top. Kept in
// "remote.dat" in the data directory.

#include <QString>
#include <QStringList>

namespace MachineList {

constexpr int MaxEntries = 999;

[[nodiscard]] inline QString fileName()
{
    return QStringLiteral("remote.dat");
}

// The list as loaded at start: the file's lines (when it exists) with "Lokaler PC" appended when
// missing.
[[nodiscard]] QStringList load(const QString& fileName);
bool save(const QStringList& machines, const QString& fileName);

// The list entry of a machine name: "Lokaler PC" for the local word or an empty name, otherwise the
// name with exactly one leading "\\".
[[nodiscard]] QString entryFor(const QString& machine);
// Puts a machine on top of the list unless it is listed already; returns its index. When the list is
// full, the last remote entry makes room and "Lokaler PC" stays.
int add(QStringList& machines, const QString& machine);
// Index of the entry naming machine ("" or "Lokaler PC" for the local one); -1 when not listed.
[[nodiscard]] int indexOf(const QStringList& machines, const QString& machine);

} // namespace MachineList
