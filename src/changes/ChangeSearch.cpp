#include "changes/ChangeSearch.h"

#include "search/TextMatcher.h"

int SearchChanges(ChangeList& list, const ChangeSearchCriteria& criteria)
{
    using namespace ChangeSearchFlags;
    const TextMatcher matcher(criteria.text, criteria.compareFlags);
    int start = 0;
    if (list.selectedCount() == 1) {
        for (int i = 0; i < list.size(); ++i) {
            if (list.rows()[size_t(i)].selected)
                start = i + 1;
        }
    }
    for (int i = 0; i < list.size(); ++i)
        list.setSelected(i, false);
    int first = -1;
    for (int i = start; i < list.size(); ++i) {
        const ChangeRow& row = list.rows()[size_t(i)];
        // Key rows and the default value's rows have no value name to find.
        const bool hasValueName = !row.comment.startsWith(QStringLiteral("Schlüssel"))
            && !row.comment.startsWith(QStringLiteral("Standard"));
        bool match = (criteria.flags & Value) != 0 && hasValueName && matcher.matches(row.valueText);
        if (!match && (criteria.flags & Key) != 0) {
            const QStringView key(row.keyText);
            match = matcher.matches((criteria.flags & WholePath) != 0 ? key : key.mid(key.lastIndexOf(u'\\') + 1));
        }
        if (!match)
            continue;
        list.setSelected(i, true);
        if (first < 0)
            first = i;
        if ((criteria.flags & MarkAll) == 0)
            break;
    }
    return first;
}
