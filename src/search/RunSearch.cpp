#include "search/RunSearch.h"

#include "registry/Progress.h"

// Placeholder until the registry walk is in place: it finds nothing. The walk comes next and replaces
// this body only; the callers already handle progress, listing and the found position.
SearchOutcome RunSearch(const SearchCriteria& criteria, const SearchStart& start, Progress& progress,
                        const std::function<void(const SearchResult&)>& onMatch)
{
    (void)criteria;
    (void)start;
    (void)progress;
    (void)onMatch;
    return {};
}
