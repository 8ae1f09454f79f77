// The main window's side of the parallel view: F6, reopening at start, the "&Fenster" menu.

#include "mainwindow/TMainForm.h"

#include "mainwindow/NavigationCommands.h"
#include "parallel/CopyHistory.h"
#include "parallel/TCopyForm.h"
#include "registry/ValueListModel.h"
#include "settings/OptionsStore.h"

#include <QAction>
#include <QSplitter>
#include <QTreeView>

TCopyForm* TMainForm::parallelView() const
{
    return m_copyForm.data();
}

void TMainForm::buildParallel()
{
    auto* toggle = new QAction(this);
    toggle->setObjectName(QStringLiteral("ParallelView1"));
    toggle->setShortcut(QKeySequence(Qt::Key_F6));
    connect(toggle, &QAction::triggered, this, &TMainForm::ParallelViewClick);
    addAction(toggle);
    m_actions.insert(toggle->objectName(), toggle);
    // It shows with the main window.
    if (Options().copyWinShow)
        openParallelView();
}

void TMainForm::openParallelView()
{
    if (m_copyForm)
        return;
    TCopyForm::Hooks hooks;
    hooks.mainKeyPath = [this] { return m_currentKeyPath; };
    hooks.openInMain = [this](const QString& keyPath) { return OpenKeyInTree(keyPath, *m_tree); };
    hooks.machineName = [this] { return connectedMachine(); };
    // Aliases: the same resolver as the main window's navigation box.
    hooks.resolveAlias = &TMainForm::resolveAlias;
    // A window of its own (no parent): it is not kept above the main window.
    m_copyForm = new TCopyForm(std::move(hooks));
    Options().copyWinShow = true;
    connect(m_copyForm, &TCopyForm::closed, this, [this] {
        Options().copyWinShow = false;
        m_copyForm.clear();
    });
    // The button "Schlüssel aus Hautfenster öffnen" follows the main window's selection.
    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, m_copyForm, &TCopyForm::UpdateCommands);
}

void TMainForm::closeParallelAtShutdown()
{
    // Deleted rather than closed: "CopyWinShow" keeps saying it was open.
    delete m_copyForm.data();
}

void TMainForm::ParallelViewClick()
{
    if (!m_copyForm) {
        openParallelView();
        m_copyForm->show();
        m_copyForm->activateWindow();
        return;
    }
    if (m_copyForm->isMinimized()) {
        m_copyForm->showNormal();
        m_copyForm->activateWindow();
    } else {
        m_copyForm->showMinimized();
    }
}

void TMainForm::updateWindowMenu()
{
    const bool exists = !m_copyForm.isNull();
    for (const char* name : {"MainLikeParallel1", "ParallelLikeMain1", "ParallelBelow1"})
        m_actions.value(QString::fromLatin1(name))->setEnabled(exists);
}

void TMainForm::MainLikeParallelClick()
{
    if (!m_copyForm)
        return;
    const int width = m_copyForm->treeWidth();
    m_vSplitter->setSizes({width, qMax(1, m_vSplitter->width() - width)});
    for (int c = 0; c < ValueListModel::ColumnCount; ++c)
        m_list->setColumnWidth(c, m_copyForm->valueList()->columnWidth(c));
}

void TMainForm::ParallelLikeMainClick()
{
    if (!m_copyForm)
        return;
    m_copyForm->setTreeWidth(m_vSplitter->sizes().value(0));
    for (int c = 0; c < ValueListModel::ColumnCount; ++c)
        m_copyForm->valueList()->setColumnWidth(c, m_list->columnWidth(c));
}

void TMainForm::ParallelBelowClick()
{
    if (!m_copyForm)
        return;
    if (m_copyForm->isMinimized())
        m_copyForm->showNormal();
    const QRect target = WindowArrangement::belowRect(frameGeometry(), m_toolPanel->mapToGlobal(QPoint(0, 0)).y(),
                                                      m_toolPanel->height());
    // The rectangle is the outer frame; the window manager's border comes off the client size.
    const QSize border = m_copyForm->frameGeometry().size() - m_copyForm->geometry().size();
    m_copyForm->resize(target.size() - border);
    m_copyForm->move(target.topLeft());
    // Over the panel, not hidden behind the main window that ran the command.
    m_copyForm->raise();
    m_copyForm->activateWindow();
}
