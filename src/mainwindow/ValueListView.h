#pragma once

// The key tree and the value list as the main window and the parallel view show them. The tree: one
// column as wide as its longest name (the view scrolls), a key at a time, its expansion kept in the
// model. The list: rows of a ValueListModel with their images, the size right-aligned, whole rows
// selected, several at once. Both ask for a context menu.

#include <QString>

class KeyTreeModel;
class QTreeView;
class ValueListModel;

[[nodiscard]] QTreeView* NewKeyTreeView(KeyTreeModel* model, const QString& objectName);

[[nodiscard]] QTreeView* NewValueListView(ValueListModel* model, const QString& objectName);
