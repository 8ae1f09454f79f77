#pragma once

// The tool page "Überwachung": the watch list with its check boxes and the button "Liste leeren".

#include <QWidget>

class QTreeView;
class WatchListModel;

class TWatchPage final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TWatchPage)

public:
    explicit TWatchPage(WatchListModel& list, QWidget* parent = nullptr);

    [[nodiscard]] QTreeView* view() const { return m_view; }

private:
    QTreeView* m_view = nullptr;
};
