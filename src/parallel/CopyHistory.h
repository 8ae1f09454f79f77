#pragma once

// Files and geometry of the parallel view that need no window: the name of its history file per
// machine, and the rectangles the main window's "&Fenster" menu gives the two windows.

#include <QRect>
#include <QString>

namespace CopyHistory {

// The machine name without backslashes + "copyhistory.dat"; "copyhistory.dat" for the local machine.
[[nodiscard]] QString fileNameFor(const QString& machine);

} // namespace CopyHistory

namespace WindowArrangement {

// The tool-page panel's height after "&Fenster halbieren": half the client panel (integer division).
[[nodiscard]] constexpr int halvedToolHeight(int clientHeight)
{
    return clientHeight / 2;
}

// The parallel view's frame over the main window's tool-page panel: the main window's left edge and
// width, the panel's top edge on the screen and its height.
[[nodiscard]] constexpr QRect belowRect(const QRect& mainFrame, int panelScreenTop, int panelHeight)
{
    return {mainFrame.left(), panelScreenTop, mainFrame.width(), panelHeight};
}

} // namespace WindowArrangement
