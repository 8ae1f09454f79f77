#pragma once

// Marking of list rows (search results, change entries): every row type carries a `selected` flag,
// and the marking commands of both lists act on it alike.

#include <algorithm>
#include <cstddef>

namespace RowMarking {

template <class Rows>
void setSelected(Rows& rows, int row, bool selected)
{
    if (row >= 0 && std::size_t(row) < rows.size())
        rows[std::size_t(row)].selected = selected;
}

template <class Rows>
[[nodiscard]] int selectedCount(const Rows& rows)
{
    return int(std::count_if(rows.begin(), rows.end(), [](const auto& r) { return r.selected; }));
}

// Marks every row from the first marked one to the end.
template <class Rows>
void markDownwards(Rows& rows)
{
    const auto first = std::find_if(rows.begin(), rows.end(), [](const auto& r) { return r.selected; });
    for (auto it = first; it != rows.end(); ++it)
        it->selected = true;
}

template <class Rows>
void markAll(Rows& rows)
{
    for (auto& r : rows)
        r.selected = true;
}

template <class Rows>
void invert(Rows& rows)
{
    for (auto& r : rows)
        r.selected = !r.selected;
}

// Removes the marked rows; answers how many.
template <class Rows>
int removeMarked(Rows& rows)
{
    const auto before = rows.size();
    rows.erase(std::remove_if(rows.begin(), rows.end(), [](const auto& r) { return r.selected; }), rows.end());
    return int(before - rows.size());
}

} // namespace RowMarking
