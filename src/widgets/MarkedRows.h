#pragma once

// The result page and the change page keep the marking in their row lists (the marking commands work on
// the list, not on the view). These copy it between the list and the view's selection: ranges of marked
// rows become one selection range each, so marking a long list does not select row by row.

#include <QAbstractItemModel>
#include <QItemSelection>
#include <QItemSelectionModel>

// The view's selection into the list's marks. List: size(), setSelected(row, on).
template <typename List>
void CopyViewSelection(const QItemSelectionModel& selection, List& list)
{
    for (int r = 0; r < list.size(); ++r)
        list.setSelected(r, selection.isRowSelected(r, {}));
}

// The list's marked rows as whole-row ranges of the model. Rows: a vector of rows with a `selected` flag.
template <typename Rows>
[[nodiscard]] QItemSelection MarkedRowsSelection(const QAbstractItemModel& model, const Rows& rows)
{
    QItemSelection selection;
    const int lastColumn = model.columnCount() - 1;
    for (int r = 0; r < int(rows.size());) {
        if (!rows[size_t(r)].selected) {
            ++r;
            continue;
        }
        const int first = r;
        while (r < int(rows.size()) && rows[size_t(r)].selected)
            ++r;
        selection.select(model.index(first, 0), model.index(r - 1, lastColumn));
    }
    return selection;
}
