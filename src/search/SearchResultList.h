#pragma once

// The rows of the search result page: found-at text, value name, key path and image, kept sorted by
// key path and then by value column text in the user's locale order, with the marking (selection)
// the marking commands work on and the counts of the properties dialog.

#include "search/SearchMatcher.h"

#include <QCollator>
#include <QLocale>
#include <QString>

#include <array>
#include <vector>

struct ResultRow {
    QString foundAt;   // "Fundort": "Schlüssel", "Wert", "Daten", "Standardwert", "Standarddaten" ...
    QString valueName; // "Wert": "(Standard)" for the default value, empty for key rows
    QString keyPath;   // "Schlüssel": full path without trailing backslash
    int icon = 1;      // 1 key, 5 string, 6 DWORD, 7 other type
    bool selected = false;

    [[nodiscard]] bool isKeyRow() const { return icon == 1; }
};

enum class MarkCommand {
    AllKeys,      // "Alle S&chlüssel"
    AllValues,    // "&Werte" -> "A&lle Werte"
    StringValues, // "&Werte" -> "&Zeichenfolgen"
    DWordValues,  // "&Werte" -> "&DWord-Werte"
    BinaryValues, // "&Werte" -> "&Binärwerte"
    AllData,      // "Da&ten" -> "A&lle Daten"
    StringData,   // "Da&ten" -> "&Zeichenfolgen"
    DWordData,    // "Da&ten" -> "&DWord-Werte"
    BinaryData,   // "Da&ten" -> "&Binärwerte"
};

// What the properties dialog shows of the counted rows.
struct ResultCounts {
    bool selectionOnly = false; // rows were marked: only they were counted
    int keys = 0;
    int strings = 0;
    int dwords = 0;
    int binaries = 0;

    [[nodiscard]] int values() const { return strings + dwords + binaries; }
    // "Eigenschaften Suchergebnisse", with " (Auswahl)" when only marked rows were counted.
    [[nodiscard]] QString caption() const;
    // Pie segments in whole degrees (strings, DWORD values, binary values), the last segment with a
    // count taking the rest of 360; all zero for no values.
    [[nodiscard]] std::array<int, 3> pieAngles() const;
};

// The found-at text of a default value's row: "Wert" gives "Standardwert", "Typ ..." "Standardtyp ...".
[[nodiscard]] QString DefaultValueFoundAt(const QString& foundAt);

class SearchResultList final {
public:
    // Rows are ordered with the collation of locale (the user's locale in the program).
    explicit SearchResultList(const QLocale& locale = QLocale());

    [[nodiscard]] const std::vector<ResultRow>& rows() const { return m_rows; }
    [[nodiscard]] int size() const { return int(m_rows.size()); }
    [[nodiscard]] bool isEmpty() const { return m_rows.empty(); }
    void clear() { m_rows.clear(); }

    // A default value's row (empty value name, not a key) is renamed as DefaultValueFoundAt says and
    // shows "(Standard)". The row goes after every row that orders equal to it, so a value found by
    // name and then by data keeps its name row first. Returns the row's index.
    int AddResultRow(const QString& foundAt, const QString& valueName, int icon, const QString& keyPath);
    // The row of a listing search's match: found-at text of its kind, image of the key or value type.
    [[nodiscard]] static ResultRow rowOf(const SearchResult& match);
    int addMatch(const SearchResult& match);
    // The same for many rows, sorted once: what a listing search or a loaded file brings.
    void addResultRows(std::vector<ResultRow> rows);

    // Replace and delete keep their rows in step with the registry: renamed entries, deleted rows.
    [[nodiscard]] ResultRow& rowAt(int row) { return m_rows[size_t(row)]; }
    void removeRow(int row) { m_rows.erase(m_rows.begin() + row); }

    void setSelected(int row, bool selected);
    [[nodiscard]] int selectedCount() const;

    // Marking commands: each clears the marking and marks every row that fits.
    void Mark(MarkCommand command);
    // "&Abwärts": every row after the first marked row is marked too; no marked row, no change.
    void MarkDownwards();
    void MarkAll();       // "&Alles markieren"
    void InvertMarking(); // "Markierung &umkehren"
    // "Einträge en&tfernen": the marked rows leave the list (the registry is untouched). Returns how many.
    int RemoveMarked();

    // The properties dialog's counts over the marked rows, or all rows when none is marked. Of rows
    // that follow each other with the same value name and key path (ignoring case), only the last is
    // counted: a value found by name and by data is one value.
    [[nodiscard]] ResultCounts CountResults() const;

private:
    void normalise(ResultRow& row) const;
    [[nodiscard]] bool lessThan(const ResultRow& a, const ResultRow& b) const;

    QCollator m_collator;
    std::vector<ResultRow> m_rows;
};
