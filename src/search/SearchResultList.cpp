#include "search/SearchResultList.h"

#include "platform/WinCase.h"
#include "registry/RegValueUtils.h"
#include "registry/RowMarking.h"

#include <QCollatorSortKey>

#include <algorithm>
#include <iterator>

namespace {

const QString StandardPrefix = QStringLiteral("Standard");
const QString DefaultValueName = QStringLiteral("(Standard)");
const QString ValueFoundAt = QStringLiteral("Wert");
const QString DataFoundAt = QStringLiteral("Daten");

bool isValueRow(const ResultRow& row)
{
    return row.foundAt == ValueFoundAt || row.foundAt == StandardPrefix + QStringLiteral("wert");
}

bool isDataRow(const ResultRow& row)
{
    return row.foundAt == DataFoundAt || row.foundAt == StandardPrefix + QStringLiteral("daten");
}

bool fits(const ResultRow& row, MarkCommand command)
{
    switch (command) {
    case MarkCommand::AllKeys:
        return row.icon == ImageKey;
    case MarkCommand::AllValues:
        return row.icon != ImageKey && isValueRow(row);
    case MarkCommand::StringValues:
        return row.icon == ImageString && isValueRow(row);
    case MarkCommand::DWordValues:
        return row.icon == ImageDWord && isValueRow(row);
    case MarkCommand::BinaryValues:
        return row.icon == ImageOther && isValueRow(row);
    case MarkCommand::AllData:
        return row.icon != ImageKey && isDataRow(row);
    case MarkCommand::StringData:
        return row.icon == ImageString && isDataRow(row);
    case MarkCommand::DWordData:
        return row.icon == ImageDWord && isDataRow(row);
    case MarkCommand::BinaryData:
        return row.icon == ImageOther && isDataRow(row);
    }
    return false;
}

bool sameValue(const ResultRow& a, const ResultRow& b)
{
    return winEqualsNoCase(a.valueName, b.valueName) && winEqualsNoCase(a.keyPath, b.keyPath);
}

} // namespace

QString ResultCounts::caption() const
{
    const QString caption = QStringLiteral("Eigenschaften Suchergebnisse");
    return selectionOnly ? caption + QStringLiteral(" (Auswahl)") : caption;
}

std::array<int, 3> ResultCounts::pieAngles() const
{
    const std::array<int, 3> counts{strings, dwords, binaries};
    std::array<int, 3> angles{0, 0, 0};
    const qint64 total = values();
    if (total <= 0)
        return angles;
    const int last = counts[2] > 0 ? 2 : (counts[1] > 0 ? 1 : 0);
    int used = 0;
    for (int i = 0; i < last; ++i) {
        angles[i] = int(qint64(counts[i]) * 360 / total);
        used += angles[i];
    }
    angles[last] = 360 - used;
    return angles;
}

QString DefaultValueFoundAt(const QString& foundAt)
{
    if (foundAt.isEmpty() || foundAt.startsWith(StandardPrefix))
        return foundAt;
    return StandardPrefix + foundAt.left(1).toLower() + foundAt.mid(1);
}

SearchResultList::SearchResultList(const QLocale& locale)
    : m_collator(locale)
{
    // the order of a sorted list view without flags: case counts, numbers as text
    m_collator.setCaseSensitivity(Qt::CaseSensitive);
    m_collator.setNumericMode(false);
    m_collator.setIgnorePunctuation(false);
}

void SearchResultList::normalise(ResultRow& row) const
{
    if (row.valueName.isEmpty() && !row.isKeyRow()) {
        row.foundAt = DefaultValueFoundAt(row.foundAt);
        row.valueName = DefaultValueName;
    }
}

namespace {

// Rows the collation finds equal keep one order whatever order a search found them in: by their texts,
// a default value before a value named as it is shown. Only a value found by name and by data gives
// two equal rows, its name row coming first.
bool tieLess(const ResultRow& a, const ResultRow& b)
{
    if (const int c = QString::compare(a.keyPath, b.keyPath))
        return c < 0;
    if (const int c = QString::compare(a.valueName, b.valueName))
        return c < 0;
    return a.foundAt.startsWith(StandardPrefix) && !b.foundAt.startsWith(StandardPrefix);
}

} // namespace

bool SearchResultList::lessThan(const ResultRow& a, const ResultRow& b) const
{
    if (a.keyPath != b.keyPath) {
        const int byPath = m_collator.compare(a.keyPath, b.keyPath);
        if (byPath != 0)
            return byPath < 0;
    }
    if (const int byName = m_collator.compare(a.valueName, b.valueName))
        return byName < 0;
    return tieLess(a, b);
}

int SearchResultList::AddResultRow(const QString& foundAt, const QString& valueName, int icon, const QString& keyPath)
{
    ResultRow row{foundAt, valueName, keyPath, icon, false};
    normalise(row);
    const auto at = std::upper_bound(m_rows.begin(), m_rows.end(), row,
                                     [this](const ResultRow& a, const ResultRow& b) { return lessThan(a, b); });
    const auto index = at - m_rows.begin(); // before the insertion moves the rows
    m_rows.insert(at, std::move(row));
    return int(index);
}

ResultRow SearchResultList::rowOf(const SearchResult& match)
{
    const int icon = match.kind == FoundKind::KeyName ? ImageKey : ValueImageIndex(match.type);
    return ResultRow{FoundAtText(match.kind), match.valueName, match.keyPath, icon, false};
}

int SearchResultList::addMatch(const SearchResult& match)
{
    const ResultRow row = rowOf(match);
    return AddResultRow(row.foundAt, row.valueName, row.icon, row.keyPath);
}

void SearchResultList::addResultRows(std::vector<ResultRow> rows)
{
    // Collation keys once per row instead of a collation per comparison.
    struct Keyed {
        QCollatorSortKey path;
        QCollatorSortKey name;
        std::size_t index;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        normalise(rows[i]);
        keyed.push_back({m_collator.sortKey(rows[i].keyPath), m_collator.sortKey(rows[i].valueName), i});
    }
    std::stable_sort(keyed.begin(), keyed.end(), [&rows](const Keyed& a, const Keyed& b) {
        if (const int byPath = a.path.compare(b.path))
            return byPath < 0;
        if (const int byName = a.name.compare(b.name))
            return byName < 0;
        return tieLess(rows[a.index], rows[b.index]);
    });
    // Merged by searching each new row's place among the rows there (a few collations per new row),
    // not by comparing every row there: a running search adds its rows in small batches.
    std::vector<ResultRow> merged;
    merged.reserve(m_rows.size() + rows.size());
    auto from = m_rows.begin();
    for (const Keyed& k : keyed) {
        ResultRow& row = rows[k.index];
        const auto at = std::upper_bound(from, m_rows.end(), row,
                                         [this](const ResultRow& a, const ResultRow& b) { return lessThan(a, b); });
        std::move(from, at, std::back_inserter(merged));
        merged.push_back(std::move(row));
        from = at;
    }
    std::move(from, m_rows.end(), std::back_inserter(merged));
    m_rows = std::move(merged);
}

void SearchResultList::setSelected(int row, bool selected)
{
    RowMarking::setSelected(m_rows, row, selected);
}

int SearchResultList::selectedCount() const
{
    return RowMarking::selectedCount(m_rows);
}

void SearchResultList::Mark(MarkCommand command)
{
    for (ResultRow& row : m_rows)
        row.selected = fits(row, command);
}

void SearchResultList::MarkDownwards()
{
    RowMarking::markDownwards(m_rows);
}

void SearchResultList::MarkAll()
{
    RowMarking::markAll(m_rows);
}

void SearchResultList::InvertMarking()
{
    RowMarking::invert(m_rows);
}

int SearchResultList::RemoveMarked()
{
    return RowMarking::removeMarked(m_rows);
}

ResultCounts SearchResultList::CountResults() const
{
    ResultCounts counts;
    counts.selectionOnly = selectedCount() > 0;
    std::vector<const ResultRow*> counted;
    for (const ResultRow& row : m_rows) {
        if (row.selected || !counts.selectionOnly)
            counted.push_back(&row);
    }
    // Compared with the next counted row, not the next row of the list: a marked name row whose data
    // row is not marked still counts.
    for (std::size_t i = 0; i < counted.size(); ++i) {
        const ResultRow& row = *counted[i];
        if (i + 1 < counted.size() && sameValue(row, *counted[i + 1]))
            continue;
        switch (row.icon) {
        case ImageKey:
            ++counts.keys;
            break;
        case ImageString:
            ++counts.strings;
            break;
        case ImageDWord:
            ++counts.dwords;
            break;
        default:
            ++counts.binaries;
            break;
        }
    }
    return counts;
}
