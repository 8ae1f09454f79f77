#pragma once

// The two clipboard blocks of keys and values, byte for byte, and the registry side of copying and
// pasting them. All integers are unsigned 32-bit little-endian; texts are 8-bit without terminator.
//
// Key block ("Kaven.Key.1"):
//   0      total size = 16 + m + p
//   4      cut flag (1 cut, 0 copy)
//   8      machine length m, then the machine ("" local, else "\\" + name)
//   12+m   key path length p, then the key path
//
// Value block ("Kaven.Value.1"):
//   total size, number of values n, then per value: name length k, name, registry type,
//   and by type: REG_SZ text length t + text; REG_DWORD the 4 data bytes; otherwise byte count b + bytes.
//
// A block read from the clipboard may come from any program: a block that is truncated, claims more
// than it holds, or whose parts do not add up to its total size is refused as a whole.

#include "registry/TRegValue.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class Progress;
class TUndoList;

inline constexpr char KeyClipFormat[] = "Kaven.Key.1";
inline constexpr char ValueClipFormat[] = "Kaven.Value.1";

struct KeyClip {
    bool cut = false;
    QString machine;
    QString keyPath;
    friend bool operator==(const KeyClip&, const KeyClip&) = default;
};

struct ClipValue {
    QString name; // empty for the default value
    TRegValue value;
    friend bool operator==(const ClipValue&, const ClipValue&) = default;
};

[[nodiscard]] QByteArray EncodeKeyClip(const KeyClip& clip);
[[nodiscard]] std::optional<KeyClip> DecodeKeyClip(const QByteArray& block);
[[nodiscard]] QByteArray EncodeValueClip(const QList<ClipValue>& values);
[[nodiscard]] std::optional<QList<ClipValue>> DecodeValueClip(const QByteArray& block);

// Reads the named values of a key of CurrentMachine in the given order; values that cannot be read
// are left out.
[[nodiscard]] QList<ClipValue> ReadClipValues(const QString& keyPath, const QStringList& names);
struct ClipWrite {
    int written = 0;
    LONG commitError = ERROR_SUCCESS; // the store could not keep the writes (none is then recorded)
};
// Writes the values into an existing key of CurrentMachine, overwriting without question, and records
// every successful write in the undo list (changed when the value existed, added otherwise) as one
// group once the store has kept them. Nothing is written when the key cannot be opened.
[[nodiscard]] ClipWrite WriteClipValues(const QString& keyPath, const QList<ClipValue>& values, TUndoList* undo);
// Copies the clipboard's key below targetParentPath on CurrentMachine (asking before overwriting); a
// cut key is then deleted on the machine it was cut from. A cancelled copy never deletes the source.
bool PasteKey(const KeyClip& clip, const QString& targetParentPath, Progress& progress);
