#pragma once

// The clipboard of keys and values: the two blocks travel as QMimeData in the formats "Kaven.Key.1"
// and "Kaven.Value.1", so another running instance of the program can paste them. Putting data on
// the clipboard replaces its previous content.

#include "mainwindow/ClipboardBlocks.h"

#include <QString>
#include <QStringList>

#include <optional>

class TUndoList;

void PutKeyClip(bool cut, const QString& machine, const QString& keyPath);
// The clipboard's key, or nothing when the clipboard holds no key or a broken block.
[[nodiscard]] std::optional<KeyClip> GetKeyClip();
// Reads the named values of the key (in the given order) and puts those that could be read on the
// clipboard; returns their number (0: the clipboard is left as it was).
int PutValueClip(const QString& keyPath, const QStringList& valueNames);
// Writes the clipboard's values into the key as one undo group (none without a list); returns the
// number written.
int PasteValueClip(const QString& keyPath, TUndoList* undo);

[[nodiscard]] bool KeyClipAvailable();
[[nodiscard]] bool ValueClipAvailable();
