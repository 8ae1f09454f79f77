#pragma once

// The search texts of the "Suchen nach:" combo box, newest first, kept in the list file "search.dat"
// of the data folder.

#include <QString>
#include <QStringList>

class SearchHistory final {
public:
    static constexpr int MaxEntries = 20;
    [[nodiscard]] static QString defaultFileName(); // "search.dat" in the data folder

    [[nodiscard]] const QStringList& entries() const { return m_entries; }

    // A missing or unreadable file gives an empty history; more than MaxEntries lines keep the first.
    void load(const QString& fileName);
    // Not written, without a message, where the file may not be written.
    bool save(const QString& fileName) const;

    // A text already there (ignoring case) leaves the history as it is; otherwise, the oldest entry
    // making room, the text goes to the top. Empty text: no change.
    void add(const QString& text);
    // Ctrl+Del in the combo box: the shown text leaves the history (ignoring case).
    bool remove(const QString& text);

private:
    QStringList m_entries;
};
