#include "search/SearchHistory.h"

#include "settings/OptionsStore.h"
#include "mainwindow/NavigationHistory.h"
#include "platform/WinCase.h"

QString SearchHistory::defaultFileName()
{
    return DataFile(QStringLiteral("search.dat"));
}

void SearchHistory::load(const QString& fileName)
{
    m_entries = ListFile::read(fileName).mid(0, MaxEntries);
}

bool SearchHistory::save(const QString& fileName) const
{
    return ListFile::write(fileName, m_entries);
}

void SearchHistory::add(const QString& text)
{
    (void)AddRecentEntry(m_entries, text, MaxEntries, true);
}

bool SearchHistory::remove(const QString& text)
{
    const auto before = m_entries.size();
    m_entries.removeIf([&](const QString& entry) { return winEqualsNoCase(entry, text); });
    return m_entries.size() != before;
}
