#include "mainwindow/ValueCommands.h"

#include "mainwindow/TUndoList.h"
#include "platform/WinReg.h"
#include "registry/RegMessageUtils.h"
#include "registry/RegValueUtils.h"
#include "registry/RegistryAccessor.h"

namespace {

// The text of REG_EXPAND_SZ data: up to the first zero.
QString expandText(const QByteArray& data)
{
    const qsizetype end = data.indexOf('\0');
    return QString::fromUtf8(end < 0 ? data : data.left(end));
}

bool runEditor(const ValueEditors& editors, const QString& name, TRegValue& value)
{
    switch (value.DataType) {
    case REG_SZ:
        return editors.editString(name, value.StringData);
    case REG_EXPAND_SZ: {
        QString text = expandText(value.BinaryData);
        if (!editors.editString(name, text))
            return false;
        value.BinaryData = text.toUtf8() + '\0';
        return true;
    }
    case REG_DWORD:
        return editors.editDWord(name, value.DWordData);
    default:
        return editors.editBinary(name, value.BinaryData);
    }
}

} // namespace

std::optional<TRegValue> ValueCommands::ChangeValue(const QString& keyPath, const QString& name,
                                                    const ValueEditors& editors)
{
    RegistryAccessor reg(KEY_READ | KEY_WRITE);
    if (reg.openPath(keyPath, false, true) != RegResult::Success)
        return std::nullopt;
    TRegValue old;
    const bool wasSet = ReadValue(reg.currentKey(), name, old);
    if (!wasSet) {
        if (!name.isEmpty()) {
            ShowError(m_sink, QStringLiteral("Kann Wert nicht bearbeiten."));
            return std::nullopt;
        }
        old = MakeRegValue(REG_SZ, QString(), 0, {});
    }
    TRegValue edited = old;
    if (!runEditor(editors, name, edited))
        return std::nullopt;
    RegBatch batch(reg.rootKey());
    const bool written = WriteValue(reg.currentKey(), name, edited);
    const LONG committed = batch.end();
    if (!written || committed != ERROR_SUCCESS) {
        ShowError(m_sink, WithCommitReason(QStringLiteral("Änderung misslungen!"), committed));
        return std::nullopt;
    }
    m_undo.Add(MakeUndoItem(wasSet ? UndoKind::ValueChanged : UndoKind::ValueAdded, keyPath, old, name));
    return edited;
}

QStringList ValueCommands::DeleteValues(const QString& keyPath, const QStringList& names)
{
    QStringList gone;
    RegistryAccessor reg(KEY_READ | KEY_WRITE);
    const RegResult opened = reg.openPath(keyPath, false, true);
    if (opened != RegResult::Success) {
        if (opened == RegResult::NotFound)
            ShowError(m_sink, QStringLiteral("Angegebener Wert nicht vorhanden."));
        return gone;
    }
    QList<TUndoItem> records;
    RegBatch batch(reg.rootKey());
    for (const QString& name : names) {
        TRegValue old;
        const bool read = ReadValue(reg.currentKey(), name, old);
        // The default row stands for the default value also when it was never set: nothing to delete.
        if (name.isEmpty() && !ValueExists(reg.currentKey(), name)) {
            gone.append(name);
            continue;
        }
        if (RegDeleteValue(reg.currentKey(), name) != ERROR_SUCCESS) {
            ShowError(m_sink, QStringLiteral("Wert konnte nicht gelöscht werden."));
            continue;
        }
        gone.append(name);
        // A value that could not be read cannot be brought back.
        if (read)
            records.append(MakeUndoItem(UndoKind::ValueDeleted, keyPath, old, name));
    }
    const LONG committed = batch.end();
    if (committed != ERROR_SUCCESS) {
        ShowError(m_sink, WithCommitReason(QStringLiteral("Wert konnte nicht gelöscht werden."), committed));
        return {};
    }
    m_undo.BeginGroup();
    for (TUndoItem& item : records)
        m_undo.Add(std::move(item));
    m_undo.EndGroup();
    return gone;
}

int ValueCommands::PasteValues(const QString& keyPath, const QList<ClipValue>& values)
{
    const ClipWrite result = WriteClipValues(keyPath, values, &m_undo);
    if (result.commitError != ERROR_SUCCESS)
        ShowError(m_sink,
                  WithCommitReason(QStringLiteral("Die Werte konnten nicht eingefügt werden."), result.commitError));
    return result.written;
}

void ValueCommands::RecordAddedValue(const QString& keyPath, const QString& name)
{
    m_undo.Add(MakeUndoItem(UndoKind::ValueAdded, keyPath, {}, name));
}

void ValueCommands::RecordRename(const QString& keyPath, const QString& oldName, const QString& newName)
{
    TRegValue value;
    if (!ReadValuePath(keyPath, newName, value))
        value.DataType = REG_NONE;
    m_undo.Add(MakeRenameUndoItem(keyPath, oldName, newName, value.DataType));
}

void ValueCommands::UndoGroups(int count)
{
    for (int i = 0; i < count && m_undo.CanUndo(); ++i)
        m_undo.UndoLastGroup();
}
