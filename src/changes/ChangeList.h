#pragma once

// The rows of the change page: comment, value column, key column, image and the record of the change,
// kept sorted by key column and then value column in the user's locale order (case counts), with the
// marking (selection) the marking commands work on and the counts of the properties dialog.

#include "changes/ChangeRecord.h"

#include <QCollator>
#include <QLocale>
#include <QString>

#include <vector>

struct ChangeRow {
    QString comment;   // "Kommentar"
    QString valueText; // "Wert": the value name, "(Standard)" for the default value, empty for keys
    QString keyText;   // "Schlüssel"
    int image = 1;     // 1 key, 5 string, 6 DWORD, 7 other type
    ChangeRecord record;
    bool selected = false;

    friend bool operator==(const ChangeRow&, const ChangeRow&) = default;
};

enum class ChangeMark {
    AllKeys,       // "&Schlüssel" -> "&Alle"
    AddedKeys,     // "&Schlüssel" -> "&Hinzugefügte"
    RemovedKeys,   // "&Schlüssel" -> "&Entfernte"
    AllValues,     // "&Werte" -> "&Alle"
    AddedValues,   // "&Werte" -> "&Hinzugefügte"
    RemovedValues, // "&Werte" -> "&Entfernte"
    ChangedData,   // "&Daten" -> "&Geänderte"
};

struct ChangeCounts {
    bool selectionOnly = false; // rows were marked: only they were counted
    int keys = 0;
    int strings = 0;
    int dwords = 0;
    int binaries = 0;

    [[nodiscard]] int values() const { return strings + dwords + binaries; }
    // "Eigenschaften Änderungen", with " (Auswahl)" when only marked rows were counted.
    [[nodiscard]] QString caption() const;
};

class ChangeList final {
public:
    // Rows are ordered with the collation of locale (the user's locale in the program).
    explicit ChangeList(const QLocale& locale = QLocale());

    [[nodiscard]] const std::vector<ChangeRow>& rows() const { return m_rows; }
    [[nodiscard]] int size() const { return int(m_rows.size()); }
    [[nodiscard]] bool isEmpty() const { return m_rows.empty(); }
    void ClearChangeList() { m_rows.clear(); }

    // Adds a row after every row that orders equal to it and returns its index. An empty value name
    // with a comment beginning with the word "Wert", "Daten" or "Typ" is the default value's entry:
    // the word becomes "Standardwert", "Standarddaten" or "Standardtyp" and the value column shows
    // "(Standard)"; the record keeps its empty ValueName.
    int AddChangeEntry(const QString& comment, const QString& valueName, const ChangeRecord& record, int image,
                       const QString& keyText);

    void setSelected(int row, bool selected);
    [[nodiscard]] int selectedCount() const;

    // Marking commands: each clears the marking and marks every row of its kind.
    void Mark(ChangeMark mark);
    // "&Abwärts": every row after the first marked row is marked too; rows above it stay as they are.
    void MarkDownwards();
    void MarkAll();       // "&Alles markieren"
    void InvertMarking(); // "Markierung &umkehren"
    // "Einträge en&tfernen": the marked rows leave the list (the registry is untouched). Returns how many.
    int RemoveMarked();
    // Takes one row out of the list (the registry is untouched).
    void removeRow(int row) { m_rows.erase(m_rows.begin() + row); }

    // The properties dialog's counts over the marked rows, or all rows when none is marked.
    [[nodiscard]] ChangeCounts CountChanges() const;

private:
    [[nodiscard]] bool lessThan(const ChangeRow& a, const ChangeRow& b) const;

    QCollator m_collator;
    std::vector<ChangeRow> m_rows;
};
