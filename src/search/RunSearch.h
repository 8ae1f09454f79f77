#pragma once

// One search from the main window's position with the stored criteria: a find-next search stops at
// the first match, a listing search (bit 4) hands every match to onMatch in the order it walks.

#include "search/SearchMatcher.h"

#include <QString>

#include <functional>

class Progress;

struct SearchStart {
    QString keyPath;             // the selected key; empty for the machine node or no selection
    QString valueName;           // the selected value, when it is not the first item of the list
    bool atDefaultValue = false; // the first item, an existing default value, is selected (bit 1024)
};

struct SearchOutcome {
    SearchResult match;     // find-next: where the search stopped; found is false when nothing was found
    bool cancelled = false; // the user stopped the walk
};

[[nodiscard]] SearchOutcome RunSearch(const SearchCriteria& criteria, const SearchStart& start, Progress& progress,
                                      const std::function<void(const SearchResult&)>& onMatch);
