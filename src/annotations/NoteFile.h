#pragma once

// Key notes: one dated note per registry key, kept in memo.dat in the data directory.
//
// memo.dat (integers 32-bit little-endian; a string is its byte count followed by its bytes through the
// program's 8-bit codec, no terminator, count 0 for an empty string):
//   identifier 35672 (0x8B58), note count, then per note: flags, date "dd.mm.yyyy", key path, text.
// Flags: 1 done, 2 high priority. The key path is the note's identity, compared as the registry
// compares names. Texts keep their CR LF pairs and may hold markup.

#include <QList>
#include <QString>

#include <optional>

class MessageSink;
class QIODevice;

struct KeyNote {
    static constexpr quint32 Done = 1;
    static constexpr quint32 HighPriority = 2;
    quint32 flags = 0;
    QString date;
    QString keyPath;
    QString text;

    [[nodiscard]] bool done() const { return (flags & Done) != 0; }
    [[nodiscard]] bool important() const { return (flags & HighPriority) != 0; }
    // A high-priority note not yet done: the main window warns while one exists.
    [[nodiscard]] bool openImportant() const { return important() && !done(); }
    friend bool operator==(const KeyNote&, const KeyNote&) = default;
};

namespace NoteFile {

constexpr quint32 Identifier = 35672;
inline const QString WrongIdentifierText = QStringLiteral("Dateikennung nicht korrekt.");

enum class Status { Read, Missing, WrongIdentifier, Truncated };

struct ReadResult {
    QList<KeyNote> notes; // what was read; none for a wrong identifier
    Status status = Status::Read;
};

// Lengths and counts are checked against the bytes left: a damaged file ends the list, it never makes
// the reader allocate more than the file holds.
[[nodiscard]] ReadResult read(QIODevice& device);
[[nodiscard]] bool write(const QList<KeyNote>& notes, QIODevice& device);

// On files. A missing file reads as no notes (Status::Missing).
[[nodiscard]] ReadResult load(const QString& fileName);
// As load(), with "Dateikennung nicht korrekt." through the sink for a file of another kind.
[[nodiscard]] QList<KeyNote> loadShown(const QString& fileName, MessageSink& sink);
// Replaces the file as a whole through a temporary file and a rename, creating its folder. A present
// file that is not a notes file, or is damaged, is first renamed aside (keptAsideName), so nothing of
// it is lost.
[[nodiscard]] bool save(const QList<KeyNote>& notes, const QString& fileName);
// "memo.dat" -> "memo.dat.alt", or ".alt2", ".alt3" ... when that name is taken.
[[nodiscard]] QString keptAsideName(const QString& fileName);

// The note whose key path equals keyPath (as the registry compares names).
[[nodiscard]] std::optional<KeyNote> readNote(const QString& fileName, const QString& keyPath, MessageSink& sink);
// Replaces flags, date and text of the note with the same key path, or appends the note; rewrites the file.
[[nodiscard]] bool writeNote(const QString& fileName, const KeyNote& note, MessageSink& sink);

[[nodiscard]] bool anyOpenImportant(const QList<KeyNote>& notes);
// Oldest first by the date read back as a date; notes with unreadable dates come first, in file order.
void sortByDate(QList<KeyNote>& notes);

// The markup shown in the preview. Formatted: the text without its CR LF pairs, tags active. Plain: the
// tags stripped, the rest shown literally, every line break kept as "<BR>".
[[nodiscard]] QString previewMarkup(const QString& text, bool formatted);

} // namespace NoteFile
