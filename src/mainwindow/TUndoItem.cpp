#include "mainwindow/TUndoItem.h"

TUndoItem MakeUndoItem(UndoKind kind, const QString& keyPath, const TRegValue& value, const QString& valueName)
{
    TUndoItem item;
    item.Kind = kind;
    item.KeyPath = keyPath;
    item.ValueName = valueName;
    item.Value = value;
    return item;
}

TUndoItem MakeRenameUndoItem(const QString& keyPath, const QString& oldName, const QString& newName, DWORD type)
{
    TRegValue value;
    value.DataType = type;
    value.StringData = newName;
    return MakeUndoItem(UndoKind::ValueRenamed, keyPath, value, oldName);
}
