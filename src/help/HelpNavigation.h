#pragma once

// Which help topic is shown and how the user got there: the history of shown topics behind "&Zurück",
// the neighbours behind "<< &Vorheriges Thema" and "&Nächstes Thema >>", and topic links.

#include <QList>
#include <QString>

class HelpNavigation final {
public:
    explicit HelpNavigation(int topicCount);

    // Shows topic i and appends it to the history; a number outside the topics does nothing (false).
    bool showTopic(int topic);
    // A link in a topic: link numbers that name no topic do nothing.
    bool followLink(int linkId) { return showTopic(linkId); }
    // Shows the next-to-last history entry and removes the last one; false when there is none.
    bool back();
    bool previous() { return canGoPrevious() && showTopic(m_current - 1); }
    bool next() { return canGoNext() && showTopic(m_current + 1); }

    [[nodiscard]] int current() const { return m_current; }
    [[nodiscard]] int topicCount() const { return m_topicCount; }
    [[nodiscard]] const QList<int>& history() const { return m_history; }
    [[nodiscard]] bool canGoBack() const { return m_history.size() > 1; }
    [[nodiscard]] bool canGoPrevious() const { return m_current > 0; }
    [[nodiscard]] bool canGoNext() const { return m_current >= 0 && m_current < m_topicCount - 1; }
    // The first status panel: "15 Themen (gewählt Thema 3)"; empty before the first topic.
    [[nodiscard]] QString statusText() const;

private:
    int m_topicCount;
    int m_current = -1;
    QList<int> m_history;
};

// The topics whose text (tags removed, not the title) contains the term, compared in upper case; an
// empty term finds nothing.
[[nodiscard]] QList<int> SearchHelpTopics(const QString& term);
