#pragma once

// The registry side of the value commands of the program's windows: change a value's data with the
// editor of its type, delete values, copy and paste values, and the edit undo list's records of all
// of them. Each command works on a key path of CurrentMachine, records what it did as one undo group
// and answers what changed; the window updates its views from that answer. Messages of the commands
// themselves go to the sink they were given (connection failures are reported by the registry layer).

#include "mainwindow/ClipboardBlocks.h"
#include "registry/TRegValue.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class MessageSink;
class TUndoList;

// The editors the change command chooses from by the value's type; each returns false when cancelled.
struct ValueEditors {
    std::function<bool(const QString& name, QString& text)> editString;    // REG_SZ, REG_EXPAND_SZ
    std::function<bool(const QString& name, quint32& value)> editDWord;    // REG_DWORD
    std::function<bool(const QString& name, QByteArray& data)> editBinary; // every other type
};

class ValueCommands final {
public:
    ValueCommands(TUndoList& undo, MessageSink& sink) : m_undo(undo), m_sink(sink) {}

    // Reads the value, lets the editor of its type change it, writes it back with its type unchanged
    // and records the old data. The unset default value edits as an empty string. The value as
    // written; nothing when cancelled or failed (the failure was shown).
    [[nodiscard]] std::optional<TRegValue> ChangeValue(const QString& keyPath, const QString& name,
                                                       const ValueEditors& editors);
    // Deletes the named values in the given order as one undo group; a value that could not be read
    // first is deleted unrecorded. The names that are gone: a default value that was never set counts
    // as gone without a message.
    [[nodiscard]] QStringList DeleteValues(const QString& keyPath, const QStringList& names);
    // Writes the values into the key as one undo group; the number written.
    int PasteValues(const QString& keyPath, const QList<ClipValue>& values);

    void RecordAddedValue(const QString& keyPath, const QString& name);
    void RecordRename(const QString& keyPath, const QString& oldName, const QString& newName);
    // Takes back the newest groups, at most count of them.
    void UndoGroups(int count);

private:
    TUndoList& m_undo;
    MessageSink& m_sink;
};
