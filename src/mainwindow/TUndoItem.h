#pragma once

// One recorded value edit of the edit undo list, copied by value.

#include "registry/TRegValue.h"

#include <QString>
#include <QtGlobal>

enum class UndoKind : quint8 {
    ValueAdded = 0,   // undone by deleting the value
    ValueDeleted = 1, // Value holds the deleted value
    ValueChanged = 2, // Value holds the data before the change
    ValueRenamed = 3  // ValueName is the old name, Value.StringData the new one, Value.DataType its type
};

struct TUndoItem {
    quint32 Group = 0; // 0 for the oldest group, without gaps
    UndoKind Kind = UndoKind::ValueAdded;
    QString KeyPath;
    QString ValueName; // empty for the default value
    TRegValue Value;

    friend bool operator==(const TUndoItem&, const TUndoItem&) = default;
};

[[nodiscard]] TUndoItem MakeUndoItem(UndoKind kind, const QString& keyPath, const TRegValue& value,
                                     const QString& valueName);
// A rename record: the value's type and its new name.
[[nodiscard]] TUndoItem MakeRenameUndoItem(const QString& keyPath, const QString& oldName, const QString& newName,
                                           DWORD type);
