#include "changes/ChangeList.h"

#include "registry/RegValueUtils.h"
#include "registry/RowMarking.h"

#include <algorithm>

namespace {

const QString StandardPrefix = QStringLiteral("Standard");
const QString Created = QStringLiteral("erstellt");

// The comment of a default value's entry: its first word "Wert", "Daten" or "Typ" prefixed.
QString defaultValueComment(const QString& comment)
{
    for (const QString& word : {QStringLiteral("Wert"), QStringLiteral("Daten"), QStringLiteral("Typ")}) {
        if (!comment.startsWith(word))
            continue;
        if (comment.size() == word.size() || comment.at(word.size()) == QLatin1Char(' '))
            return StandardPrefix + word.toLower() + comment.mid(word.size());
    }
    return QString();
}

bool beginsWithWord(const QString& comment, const QString& word)
{
    return comment.startsWith(word) || comment.startsWith(StandardPrefix + word.toLower());
}

bool fits(const ChangeRow& row, ChangeMark mark)
{
    const bool key = row.image == ImageKey;
    const bool created = row.comment.contains(Created);
    const bool value = !key && beginsWithWord(row.comment, QStringLiteral("Wert"));
    switch (mark) {
    case ChangeMark::AllKeys:
        return key;
    case ChangeMark::AddedKeys:
        return key && created;
    case ChangeMark::RemovedKeys:
        return key && !created;
    case ChangeMark::AllValues:
        return value;
    case ChangeMark::AddedValues:
        return value && created;
    case ChangeMark::RemovedValues:
        return value && !created;
    case ChangeMark::ChangedData:
        return !key && beginsWithWord(row.comment, QStringLiteral("Daten"));
    }
    return false;
}

} // namespace

QString ChangeCounts::caption() const
{
    const QString caption = QStringLiteral("Eigenschaften Änderungen");
    return selectionOnly ? caption + QStringLiteral(" (Auswahl)") : caption;
}

ChangeList::ChangeList(const QLocale& locale)
    : m_collator(locale)
{
    // the order of a sorted list view without flags: case counts, numbers as text
    m_collator.setCaseSensitivity(Qt::CaseSensitive);
    m_collator.setNumericMode(false);
    m_collator.setIgnorePunctuation(false);
}

bool ChangeList::lessThan(const ChangeRow& a, const ChangeRow& b) const
{
    if (a.keyText != b.keyText) {
        const int byKey = m_collator.compare(a.keyText, b.keyText);
        if (byKey != 0)
            return byKey < 0;
    }
    return a.valueText != b.valueText && m_collator.compare(a.valueText, b.valueText) < 0;
}

int ChangeList::AddChangeEntry(const QString& comment, const QString& valueName, const ChangeRecord& record,
                               int image, const QString& keyText)
{
    ChangeRow row{comment, valueName, keyText, image, record, false};
    if (valueName.isEmpty()) {
        const QString standard = defaultValueComment(comment);
        if (!standard.isEmpty()) {
            row.comment = standard;
            row.valueText = DefaultValueCaption;
        }
    }
    // A comparison adds in key order, so the end is usually the place.
    if (m_rows.empty() || !lessThan(row, m_rows.back())) {
        m_rows.push_back(std::move(row));
        return size() - 1;
    }
    const auto at = std::upper_bound(m_rows.begin(), m_rows.end(), row,
                                     [this](const ChangeRow& a, const ChangeRow& b) { return lessThan(a, b); });
    const auto index = at - m_rows.begin();
    m_rows.insert(at, std::move(row));
    return int(index);
}

void ChangeList::setSelected(int row, bool selected)
{
    RowMarking::setSelected(m_rows, row, selected);
}

int ChangeList::selectedCount() const
{
    return RowMarking::selectedCount(m_rows);
}

void ChangeList::Mark(ChangeMark mark)
{
    for (ChangeRow& row : m_rows)
        row.selected = fits(row, mark);
}

void ChangeList::MarkDownwards()
{
    RowMarking::markDownwards(m_rows);
}

void ChangeList::MarkAll()
{
    RowMarking::markAll(m_rows);
}

void ChangeList::InvertMarking()
{
    RowMarking::invert(m_rows);
}

int ChangeList::RemoveMarked()
{
    return RowMarking::removeMarked(m_rows);
}

ChangeCounts ChangeList::CountChanges() const
{
    ChangeCounts counts;
    counts.selectionOnly = selectedCount() > 0;
    for (const ChangeRow& row : m_rows) {
        if (counts.selectionOnly && !row.selected)
            continue;
        switch (row.image) {
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
