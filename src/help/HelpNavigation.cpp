#include "help/HelpNavigation.h"

#include "help/HelpStrings.h"
#include "info/MultiTextUtils.h"

HelpNavigation::HelpNavigation(int topicCount) : m_topicCount(topicCount) {}

bool HelpNavigation::showTopic(int topic)
{
    if (topic < 0 || topic >= m_topicCount)
        return false;
    m_current = topic;
    m_history.append(topic);
    return true;
}

bool HelpNavigation::back()
{
    if (!canGoBack())
        return false;
    m_history.removeLast();
    m_current = m_history.last();
    return true;
}

QString HelpNavigation::statusText() const
{
    if (m_current < 0)
        return {};
    return QStringLiteral("%1 Themen (gewählt Thema %2)").arg(m_topicCount).arg(m_current + 1);
}

QList<int> SearchHelpTopics(const QString& term)
{
    QList<int> found;
    const QString wanted = term.toUpper();
    if (wanted.isEmpty())
        return found;
    for (int i = 0; i < Help::TopicCount; ++i) {
        // Searching the visible text: a term like "BR" must not match every line break tag.
        if (StripMarkup(Help::TopicText(i)).toUpper().contains(wanted))
            found.append(i);
    }
    return found;
}
