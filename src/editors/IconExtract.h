#pragma once

// Icons of a file for the icon dialog, each as the bytes of a complete .ico file: an .ico file is one
// icon; a Windows executable or DLL carries its icons as PE resources (icon groups, each made of icon
// images stored as resources of their own). Damaged or hostile files give no icons, never a crash.

#include <QByteArray>
#include <QList>
#include <QString>

struct ExtractedIcon {
    int resourceId = 0; // the group's resource number (0 for an .ico file or a named group)
    QByteArray ico;
};

[[nodiscard]] QList<ExtractedIcon> ExtractIcons(const QByteArray& fileData);
[[nodiscard]] QList<ExtractedIcon> ExtractIconsFromFile(const QString& fileName);
// Position of an icon location's index in the list: index >= 0 counts, a negative index names the
// resource number -index. -1 when there is no such icon.
[[nodiscard]] int IconListPosition(const QList<ExtractedIcon>& icons, int index);
// The system icon library of a Windows file tree this machine knows (a Wine prefix), or empty.
[[nodiscard]] QString FindShell32();
