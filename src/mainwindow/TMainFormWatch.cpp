// The main window's watch: the dialog, the tool page "Überwachung" while a slot is active, the unread
// indicator in the first status panel, and the threads stopped on a machine change and at the end.

#include "mainwindow/TMainForm.h"

#include "watch/TThreadForm.h"
#include "watch/TWatchPage.h"
#include "watch/WatchController.h"

#include <QAction>
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QStackedWidget>
#include <QStyle>
#include <QTabBar>

namespace {

const QString WatchPageCaption = QStringLiteral("Überwachung");

// A click on the watch's status panel marks every change read.
class PanelClick final : public QObject {
public:
    PanelClick(QObject* parent, WatchListModel& list) : QObject(parent), m_list(list) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MouseButtonPress)
            m_list.markAllRead();
        return QObject::eventFilter(watched, event);
    }

private:
    WatchListModel& m_list;
};

} // namespace

void TMainForm::buildWatch()
{
    m_watch = new WatchController(this);
    QAction* watchCommand = action(QStringLiteral("Watch1"));
    watchCommand->setProperty("kavenBuilt", true);
    watchCommand->setEnabled(true);
    connect(watchCommand, &QAction::triggered, this, &TMainForm::WatchClick);
    // The page's place in the strip depends on the pages before it: the command looks it up.
    QAction* pageCommand = action(QStringLiteral("Page4"));
    disconnect(pageCommand, &QAction::triggered, this, nullptr);
    connect(pageCommand, &QAction::triggered, this, [this] {
        if (m_watchPage)
            setToolPage(m_pageStack->indexOf(m_watchPage));
    });
    pageCommand->setProperty("kavenBuilt", true);
    pageCommand->setEnabled(false);

    connect(m_watch, &WatchController::showPageRequested, this, [this] {
        if (m_watchPage)
            setToolPage(m_pageStack->indexOf(m_watchPage));
    });
    WatchListModel& list = m_watch->list();
    connect(&list, &WatchListModel::indicatorChanged, this, &TMainForm::showWatchIndicator);
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(&list, signal, this, &TMainForm::updatePageLabel);
    connect(&list, &QAbstractItemModel::modelReset, this, &TMainForm::updatePageLabel);
    m_statusPanels[0]->installEventFilter(new PanelClick(this, list));
    showWatchIndicator(false);

    // "&Eigenschaften" chooses its dialog by the focus when it runs (TMainFormStatistics.cpp).
    QAction* properties = action(QStringLiteral("Properties1"));
    properties->setProperty("kavenBuilt", true);
    properties->setEnabled(true);
    connect(properties, &QAction::triggered, this, &TMainForm::PropertiesClick);
}

void TMainForm::WatchClick()
{
    TThreadForm form(*m_watch, nodeLevel(selectedNode()) >= 1 ? m_currentKeyPath : QString(), this);
    form.exec();
    updateWatchPage();
}

// After the dialog: the page exists only while a slot is active; without one the list is emptied too.
void TMainForm::updateWatchPage()
{
    QAction* pageCommand = action(QStringLiteral("Page4"));
    if (!m_watch->anyActive()) {
        if (m_watchPage) {
            const int index = m_pageStack->indexOf(m_watchPage);
            const bool showing = m_pageStack->currentIndex() == index;
            m_pageTabs->removeTab(index);
            m_pageStack->removeWidget(m_watchPage);
            delete m_watchPage;
            m_watchPage = nullptr;
            if (showing) {
                int changes = -1;
                for (int i = 0; i < m_pageTabs->count(); ++i)
                    if (m_pageTabs->tabText(i) == QStringLiteral("Änderungen"))
                        changes = i;
                setToolPage(changes >= 0 ? changes : m_pageStack->count() - 1);
            }
        }
        m_watch->list().clear();
        pageCommand->setEnabled(false);
        return;
    }
    if (m_watchPage)
        return;
    m_watchPage = new TWatchPage(m_watch->list());
    m_pageStack->addWidget(m_watchPage);
    m_pageTabs->addTab(WatchPageCaption);
    pageCommand->setEnabled(true);
}

void TMainForm::showWatchIndicator(bool unread)
{
    QLabel* panel = m_statusPanels[0];
    panel->setProperty("indicator", unread ? QStringLiteral("1") : QStringLiteral("0"));
    panel->setPixmap(unread ? style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(16, 16) : QPixmap());
    panel->setToolTip(unread ? QStringLiteral("Ungelesene Änderungen in der Überwachung") : QString());
}

void TMainForm::stopWatches()
{
    if (m_watch)
        m_watch->stopAll();
}
