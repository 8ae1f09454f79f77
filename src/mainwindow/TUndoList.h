#pragma once

// The bounded list of value edits made from the program's windows, gathered in groups (one group per
// command), so that the newest groups can be taken back. It never holds more groups than its capacity.

#include "mainwindow/TUndoItem.h"

#include <QList>
#include <QObject>
#include <QStringList>

#include <functional>

class TUndoList final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TUndoList)

public:
    explicit TUndoList(int capacity = 10, QObject* parent = nullptr);

    // Records one item: outside BeginGroup/EndGroup each item is a group of its own.
    void Add(TUndoItem item);
    void BeginGroup();
    void EndGroup();
    // Removes and returns the newest item; an empty item when the list is empty.
    TUndoItem Pop();
    // Takes back the newest group against the registry of CurrentMachine, newest item first; each item
    // that fails shows its message and the others go on. The popped items are gone either way.
    void UndoLastGroup();
    void Clear();
    // Stores the capacity and drops the oldest groups beyond it at once.
    void SetCapacity(int capacity);

    [[nodiscard]] bool CanUndo() const { return !m_items.isEmpty(); }
    [[nodiscard]] int GroupCount() const;
    [[nodiscard]] int Capacity() const { return m_capacity; }
    [[nodiscard]] quint32 GroupCounter() const { return m_groupCounter; }
    [[nodiscard]] const QList<TUndoItem>& Items() const { return m_items; }
    // The items of one group in recording order.
    [[nodiscard]] QList<TUndoItem> GroupItems(int group) const;

signals:
    void changed();

private:
    void removeOldestGroup();
    static void undoItem(const TUndoItem& item);

    QList<TUndoItem> m_items;
    quint32 m_groupCounter = 0;
    int m_capacity;
    bool m_autoGroup = true;
};

// The three markup lines that show one group in the undo selection dialog. fitsLine tells whether a
// second line holding a given key path fits the entry's width; middle components of the path give way
// to "..\" until it fits (or only the root and the last key are left).
[[nodiscard]] QStringList UndoEntryLines(const QList<TUndoItem>& group,
                                         const std::function<bool(const QString& line)>& fitsLine);
// "HKEY_LOCAL_MACHINE\A\B\C" with the first n components after the root replaced by "..".
[[nodiscard]] QString ShortenKeyPath(const QString& keyPath, int dropped);
