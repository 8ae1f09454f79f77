#pragma once

// The browser-like list of visited key paths with a current position, as the history combo box of the
// main window shows it, and the plain text list files the navigation lists are kept in.

#include <QString>
#include <QStringList>

#include <functional>

// Bounded insertion into a most-recent list. An empty text changes nothing (-1). With atTop a text
// already in the list (compared without regard to case) keeps its place and its index is returned.
// Otherwise, while the list holds bound entries, the entry at the far end (the last one at top, the
// first one at the end) falls out; the text goes to the top or the end. Returns the text's index.
int AddRecentEntry(QStringList& list, const QString& text, int bound, bool atTop);

// Keeps the first occurrence of every entry, compared without regard to case.
[[nodiscard]] QStringList RemoveDuplicateEntries(const QStringList& list);

// Text list files of the data directory: one entry per line, CR LF, through the 8-bit codec.
namespace ListFile {
// The non-empty lines of the file; empty (and *found false) when it does not exist.
[[nodiscard]] QStringList read(const QString& fileName, bool* found = nullptr);
// Written only where a list file may be written; false otherwise.
bool write(const QString& fileName, const QStringList& lines);
} // namespace ListFile

class NavigationHistory final {
public:
    static constexpr int MaxEntries = 80;

    // "history.dat" prefixed by the machine name without backslashes ("" for the local machine).
    [[nodiscard]] static QString fileNameFor(const QString& machine);

    [[nodiscard]] const QStringList& entries() const { return m_entries; }
    // Index of the current entry; -1 for none.
    [[nodiscard]] int position() const { return m_position; }
    [[nodiscard]] bool navigating() const { return m_navigating; }

    // Replaces the entries (bounded to the last MaxEntries) and sets the position to the last entry.
    void setEntries(const QStringList& entries);
    void clear();
    void setPosition(int position);

    // A selection change of the key tree. The machine node (empty path) records nothing and clears the
    // position; while the history navigates itself nothing is recorded. Otherwise the forward entries
    // are dropped, the path is appended unless it is the last entry already, and becomes current.
    void record(const QString& keyPath);

    [[nodiscard]] bool canGoBack() const;
    [[nodiscard]] bool canGoForward() const;
    // Move the position one entry; false when there is nowhere to go.
    bool back();
    bool forward();

    // Opens the entry at the position with open, unless it is currentKeyPath already. An entry that
    // does not open is offered for removal (askRemove true removes it) and the next one at the same
    // place is tried. Recording is suspended meanwhile. Returns whether a key was opened.
    bool openCurrent(const QString& currentKeyPath, const std::function<bool(const QString&)>& open,
                     const std::function<bool()>& askRemove);

    // The history editor's result: the edited entries, then the selected key (if any) recorded as a
    // new visit; the position ends on the last entry.
    void applyEdited(const QStringList& edited, const QString& currentKeyPath);

    void removeDuplicates();

    // A key renamed or deleted in the program: entries of the key and of its subkeys (compared without
    // regard to case) get newPath in place of oldPath, or are dropped when newPath is empty. The
    // position stays on its entry where that survives.
    void replaceBranch(const QString& oldPath, const QString& newPath);

    // Files: load replaces the entries when the file exists (position on the last entry).
    bool load(const QString& fileName);
    bool save(const QString& fileName) const;

private:
    void dropForward();

    QStringList m_entries;
    int m_position = -1;
    bool m_navigating = false;
};
