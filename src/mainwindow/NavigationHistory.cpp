#include "mainwindow/NavigationHistory.h"

#include "platform/FileCommit.h"

#include "settings/OptionsStore.h"
#include "platform/TextCodec.h"
#include "platform/WinCase.h"

#include <QFile>
#include <QSaveFile>
#include <QSet>

namespace {

int indexOfNoCase(const QStringList& list, const QString& text)
{
    for (int i = 0; i < list.size(); ++i) {
        if (winEqualsNoCase(list[i], text))
            return i;
    }
    return -1;
}

} // namespace

int AddRecentEntry(QStringList& list, const QString& text, int bound, bool atTop)
{
    if (text.isEmpty() || bound <= 0)
        return -1;
    if (atTop) {
        const int existing = indexOfNoCase(list, text);
        if (existing >= 0)
            return existing;
    }
    while (list.size() >= bound) {
        if (atTop)
            list.removeLast();
        else
            list.removeFirst();
    }
    if (atTop) {
        list.prepend(text);
        return 0;
    }
    list.append(text);
    return int(list.size()) - 1;
}

QStringList RemoveDuplicateEntries(const QStringList& list)
{
    QStringList kept;
    QSet<QString> seen;
    for (const QString& entry : list) {
        const QString key = winUpper(entry);
        if (seen.contains(key))
            continue;
        seen.insert(key);
        kept.append(entry);
    }
    return kept;
}

namespace ListFile {

QStringList read(const QString& fileName, bool* found)
{
    QFile file(fileName);
    const bool opened = file.exists() && file.open(QIODevice::ReadOnly);
    if (found)
        *found = opened;
    QStringList lines;
    if (!opened)
        return lines;
    const QByteArray bytes = file.readAll();
    for (QByteArray line : bytes.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (!line.isEmpty())
            lines.append(TextCodec::decode(line));
    }
    return lines;
}

bool write(const QString& fileName, const QStringList& lines)
{
    if (!ListFileMayBeWritten(fileName))
        return false;
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += TextCodec::encode(line) + "\r\n";
    // A write cut short by a full disk reports fewer bytes but no error; the old file must stay then.
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return CommitSaveFile(file);
}

} // namespace ListFile

QString NavigationHistory::fileNameFor(const QString& machine)
{
    return QString(machine).remove(QLatin1Char('\\')) + QStringLiteral("history.dat");
}

void NavigationHistory::setEntries(const QStringList& entries)
{
    m_entries = entries.mid(qMax(qsizetype(0), entries.size() - MaxEntries));
    m_position = int(m_entries.size()) - 1;
}

void NavigationHistory::clear()
{
    m_entries.clear();
    m_position = -1;
}

void NavigationHistory::setPosition(int position)
{
    m_position = (position >= 0 && position < m_entries.size()) ? position : -1;
}

void NavigationHistory::dropForward()
{
    if (m_position >= 0 && m_position < m_entries.size())
        m_entries.erase(m_entries.begin() + m_position + 1, m_entries.end());
}

void NavigationHistory::record(const QString& keyPath)
{
    if (keyPath.isEmpty()) {
        m_position = -1;
        return;
    }
    if (m_navigating)
        return;
    dropForward();
    if (m_entries.isEmpty() || !winEqualsNoCase(m_entries.last(), keyPath))
        AddRecentEntry(m_entries, keyPath, MaxEntries, false);
    m_position = int(m_entries.size()) - 1;
}

bool NavigationHistory::canGoBack() const
{
    return m_entries.size() >= 2 && m_position > 0;
}

bool NavigationHistory::canGoForward() const
{
    return m_entries.size() >= 2 && m_position >= 0 && m_position < m_entries.size() - 1;
}

bool NavigationHistory::back()
{
    if (m_position <= 0)
        return false;
    --m_position;
    return true;
}

bool NavigationHistory::forward()
{
    if (m_position < 0 || m_position >= m_entries.size() - 1)
        return false;
    ++m_position;
    return true;
}

bool NavigationHistory::openCurrent(const QString& currentKeyPath, const std::function<bool(const QString&)>& open,
                                    const std::function<bool()>& askRemove)
{
    if (m_position < 0 || m_position >= m_entries.size())
        return false;
    if (winEqualsNoCase(m_entries[m_position], currentKeyPath))
        return false;
    m_navigating = true;
    bool opened = false;
    while (m_position >= 0 && m_position < m_entries.size()) {
        if (open(m_entries[m_position])) {
            opened = true;
            break;
        }
        if (!askRemove())
            break;
        m_entries.removeAt(m_position);
        if (m_position >= m_entries.size())
            m_position = int(m_entries.size()) - 1;
    }
    m_navigating = false;
    return opened;
}

void NavigationHistory::applyEdited(const QStringList& edited, const QString& currentKeyPath)
{
    setEntries(edited);
    if (!currentKeyPath.isEmpty())
        record(currentKeyPath);
}

void NavigationHistory::removeDuplicates()
{
    const QString current = (m_position >= 0 && m_position < m_entries.size()) ? m_entries[m_position] : QString();
    m_entries = RemoveDuplicateEntries(m_entries);
    if (m_position >= 0)
        m_position = qMax(0, qMin(indexOfNoCase(m_entries, current), int(m_entries.size()) - 1));
}

bool NavigationHistory::load(const QString& fileName)
{
    bool found = false;
    const QStringList lines = ListFile::read(fileName, &found);
    if (found)
        setEntries(lines);
    return found;
}

bool NavigationHistory::save(const QString& fileName) const
{
    return ListFile::write(fileName, m_entries);
}

void NavigationHistory::replaceBranch(const QString& oldPath, const QString& newPath)
{
    if (oldPath.isEmpty())
        return;
    const QString below = oldPath + QLatin1Char('\\');
    QStringList kept;
    int position = -1; // the last surviving entry at or before the old position
    for (int i = 0; i < m_entries.size(); ++i) {
        QString entry = m_entries.at(i);
        const bool inBranch = entry.compare(oldPath, Qt::CaseInsensitive) == 0 ||
                              entry.startsWith(below, Qt::CaseInsensitive);
        if (inBranch && newPath.isEmpty())
            continue;
        if (inBranch)
            entry = newPath + entry.mid(oldPath.size());
        // Entries that met by the removal of those between them would be one visit twice.
        if (kept.isEmpty() || kept.constLast().compare(entry, Qt::CaseInsensitive) != 0)
            kept.append(entry);
        if (i <= m_position)
            position = int(kept.size()) - 1;
    }
    if (m_position >= 0 && position < 0 && !kept.isEmpty())
        position = 0;
    m_entries = kept;
    m_position = kept.isEmpty() ? -1 : position;
}
