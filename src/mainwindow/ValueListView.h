#pragma once

// The value list as the main window and the parallel view show it: rows of a ValueListModel with their
// images, the size right-aligned, whole rows selected, several at once, a context menu on request.

#include <QString>

class QTreeView;
class ValueListModel;

[[nodiscard]] QTreeView* NewValueListView(ValueListModel* model, const QString& objectName);
