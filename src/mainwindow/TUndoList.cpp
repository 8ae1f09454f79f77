#include "mainwindow/TUndoList.h"

#include "info/MultiTextUtils.h"
#include "platform/WinReg.h"
#include "registry/RegMessageUtils.h"
#include "registry/RegUtils.h"
#include "registry/RegValueUtils.h"
#include "registry/RegistryAccessor.h"

#include <algorithm>

TUndoList::TUndoList(int capacity, QObject* parent) : QObject(parent), m_capacity(std::max(1, capacity)) {}

void TUndoList::Add(TUndoItem item)
{
    if (m_groupCounter >= quint32(m_capacity))
        removeOldestGroup();
    item.Group = m_groupCounter;
    m_items.append(std::move(item));
    if (m_autoGroup)
        ++m_groupCounter;
    emit changed();
}

void TUndoList::BeginGroup()
{
    m_autoGroup = false;
}

void TUndoList::EndGroup()
{
    // A command that recorded nothing leaves no empty group behind: group numbers stay without gaps,
    // so the newest group is always GroupCount() - 1 and the capacity counts real groups.
    if (!m_autoGroup && !m_items.isEmpty() && m_items.last().Group == m_groupCounter)
        ++m_groupCounter;
    m_autoGroup = true;
}

TUndoItem TUndoList::Pop()
{
    if (m_items.isEmpty())
        return {};
    TUndoItem item = m_items.takeLast();
    if (m_items.isEmpty() || m_items.last().Group != item.Group)
        m_groupCounter = m_items.isEmpty() ? 0 : m_items.last().Group + 1;
    emit changed();
    return item;
}

void TUndoList::Clear()
{
    m_items.clear();
    m_groupCounter = 0;
    m_autoGroup = true;
    emit changed();
}

void TUndoList::SetCapacity(int capacity)
{
    capacity = std::max(1, capacity);
    if (capacity == m_capacity)
        return;
    m_capacity = capacity;
    // Keeps the newest `capacity` groups.
    const quint32 before = m_groupCounter;
    while (m_groupCounter > quint32(m_capacity) && !m_items.isEmpty())
        removeOldestGroup();
    if (m_groupCounter != before)
        emit changed();
}

int TUndoList::GroupCount() const
{
    int count = 0;
    for (qsizetype i = 0; i < m_items.size(); ++i)
        if (i == 0 || m_items[i].Group != m_items[i - 1].Group)
            ++count;
    return count;
}

QList<TUndoItem> TUndoList::GroupItems(int group) const
{
    QList<TUndoItem> result;
    for (const TUndoItem& item : m_items)
        if (item.Group == quint32(group))
            result.append(item);
    return result;
}

void TUndoList::removeOldestGroup()
{
    if (m_items.isEmpty())
        return;
    const quint32 first = m_items.first().Group;
    while (!m_items.isEmpty() && m_items.first().Group == first)
        m_items.removeFirst();
    for (TUndoItem& item : m_items)
        --item.Group;
    if (m_groupCounter > 0)
        --m_groupCounter;
}

void TUndoList::UndoLastGroup()
{
    if (m_items.isEmpty())
        return;
    const quint32 group = m_items.last().Group;
    const auto count = std::count_if(m_items.cbegin(), m_items.cend(), [group](const TUndoItem& i) {
        return i.Group == group;
    });
    for (qsizetype i = 0; i < count; ++i)
        undoItem(Pop());
}

void TUndoList::undoItem(const TUndoItem& item)
{
    RegistryAccessor reg(KEY_READ | KEY_WRITE);
    // Deleted or changed values come back even when their key has gone meanwhile.
    const bool create = item.Kind == UndoKind::ValueDeleted || item.Kind == UndoKind::ValueChanged;
    const RegResult opened = reg.openPath(item.KeyPath, create, true);
    if (opened == RegResult::NotConnected)
        return;
    if (opened != RegResult::Success) {
        ShowError(QStringLiteral("Kann Schlüssel nicht öffnen."));
        return;
    }
    switch (item.Kind) {
    case UndoKind::ValueAdded:
        if (RegDeleteValue(reg.currentKey(), item.ValueName) != ERROR_SUCCESS)
            ShowError(QStringLiteral("Konnte Wert nicht löschen."));
        break;
    case UndoKind::ValueRenamed:
        // RenameValue works through its own accessor; ours only holds the key open meanwhile.
        (void)RenameValue(item.KeyPath, item.Value.StringData, item.ValueName, true);
        if (!ValueExists(reg.currentKey(), item.ValueName))
            ShowError(QStringLiteral("Konnte Wert nicht umbenennen."));
        break;
    case UndoKind::ValueDeleted:
        if (!WriteValue(reg.currentKey(), item.ValueName, item.Value))
            ShowError(QStringLiteral("Konnte Wert nicht erstellen."));
        break;
    case UndoKind::ValueChanged:
        if (!WriteValue(reg.currentKey(), item.ValueName, item.Value))
            ShowError(QStringLiteral("Konnte Daten nicht ändern."));
        break;
    }
}

QString ShortenKeyPath(const QString& keyPath, int dropped)
{
    QStringList parts = keyPath.split(QLatin1Char('\\'));
    // Root and last key always stay.
    dropped = std::clamp(dropped, 0, int(parts.size()) - 2);
    if (dropped <= 0)
        return keyPath;
    parts.remove(1, dropped);
    parts.insert(1, QStringLiteral(".."));
    return parts.join(QLatin1Char('\\'));
}

QStringList UndoEntryLines(const QList<TUndoItem>& group, const std::function<bool(const QString& line)>& fitsLine)
{
    if (group.isEmpty())
        return {};
    const TUndoItem& first = group.first();
    const bool several = group.size() > 1;
    static const char* const verbs[] = {" hinzugefügt.", " gelöscht.", " geändert.", " umbenannt."};
    QStringList lines;
    lines << (several ? QStringLiteral("Mehrere Werte wurden") : QStringLiteral("Wert wurde"))
                 + QString::fromUtf8(verbs[int(first.Kind) & 3]);

    const QString keyLabel = QStringLiteral("<B><C=RED>Schlüssel:</C></B> ");
    const bool sameKey = std::all_of(group.cbegin(), group.cend(), [&first](const TUndoItem& item) {
        return item.KeyPath.compare(first.KeyPath, Qt::CaseInsensitive) == 0;
    });
    if (sameKey) {
        const auto line = [&](int dropped) {
            const QString path = EscapeMarkup(ShortenKeyPath(first.KeyPath, dropped));
            return keyLabel + QLatin1Char('"') + path + QLatin1Char('"');
        };
        const int parts = int(first.KeyPath.count(QLatin1Char('\\'))) + 1;
        int dropped = 0;
        while (dropped < parts - 2 && !fitsLine(line(dropped)))
            ++dropped;
        lines << line(dropped);
    } else {
        lines << keyLabel + QStringLiteral("verschiedene Schlüssel ...");
    }

    const QString nameLabel = QStringLiteral("<B><C=BLUE>Wertname:</C></B> ");
    if (several)
        lines << nameLabel + QStringLiteral("mehrere Werte ... ");
    else
        lines << nameLabel + QLatin1Char('"') + EscapeMarkup(first.ValueName) + QStringLiteral("\" (<B>")
                     + TypeNameOfCode(first.Value.DataType) + QStringLiteral("</B>)");
    return lines;
}
