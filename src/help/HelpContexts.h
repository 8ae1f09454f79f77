#pragma once

// Help context numbers of the program's controls, kept in one table so that forms need not know them.
// A control's quick help is the string 1000 + its context. A control is found by its window's class
// and its object name, by its object name alone, or, for unnamed controls, by its window's class and
// its own class ("TUndoForm/QListWidget").

#include <QList>
#include <QString>

namespace Help {

// The context of a control, 0 when it has none.
[[nodiscard]] int HelpContextFor(const QString& windowClass, const QString& objectName, const QString& widgetClass);
// Every context number the table hands out, ascending, each once.
[[nodiscard]] QList<int> HelpContextNumbers();

} // namespace Help
