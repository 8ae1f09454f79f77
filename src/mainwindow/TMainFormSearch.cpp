// The main window's search: the dialog, find-next, the result page and opening a result's key.

#include "mainwindow/TMainForm.h"

#include "mainwindow/NavigationCommands.h"
#include "platform/WinCase.h"
#include "registry/KeyTreeModel.h"
#include "registry/Progress.h"
#include "registry/RegMessageUtils.h"
#include "registry/RegUtils.h"
#include "registry/RegValueUtils.h"
#include "registry/ValueListModel.h"
#include "mainwindow/EditCommands.h"
#include "search/DeleteFound.h"
#include "search/PathCheck.h"
#include "search/ReplaceInResults.h"
#include "search/RunSearch.h"
#include "search/TCheckForm.h"
#include "search/TDeleteForm.h"
#include "search/TReplaceForm.h"
#include "search/TSearchForm.h"
#include "search/TSearchPage.h"
#include "settings/OptionsStore.h"
#include "widgets/EscapeProgress.h"

#include <QAction>
#include <QComboBox>
#include <QStackedWidget>
#include <QTabBar>
#include <QTreeView>

namespace {

constexpr int SearchPageIndex = 2;

SearchCriteria storedCriteria()
{
    const KavenOptions& options = Options();
    return {options.searchLineA, options.searchFlagsA, options.searchCompareFlags};
}

void storeCriteria(const SearchCriteria& criteria)
{
    KavenOptions& options = Options();
    options.searchLineA = criteria.text;
    options.searchFlagsA = criteria.contentFlags;
    options.searchCompareFlags = criteria.compareFlags;
}

} // namespace

void TMainForm::buildSearchPage()
{
    const auto command = [this](const char* name) { return m_actions.value(QString::fromLatin1(name)); };
    TSearchPage::Actions actions;
    actions.search = command("Search1");
    actions.replace = command("Replace1");
    actions.deleteResults = command("DeleteResults1");
    actions.check = command("CheckResults1");
    const char* marks[9] = {"SearchMarkKeys1",    "SearchMarkValuesAll1",    "SearchMarkValuesString1",
                            "SearchMarkValuesDWord1", "SearchMarkValuesBinary1", "SearchMarkDataAll1",
                            "SearchMarkDataString1",  "SearchMarkDataDWord1",    "SearchMarkDataBinary1"};
    for (size_t i = 0; i < 9; ++i)
        actions.marks[i] = command(marks[i]);
    actions.markDown = command("SearchMarkDown1");
    actions.selectAll = command("SearchSelectAll1");
    actions.invert = command("SearchInvert1");
    actions.openFile = command("OpenResults1");
    actions.saveFile = command("SaveResults1");

    m_searchPage = new TSearchPage(actions);
    m_searchPage->machineName = [this] { return connectedMachine(); };
    m_pageTabs->insertTab(SearchPageIndex, QStringLiteral("Suchen"));
    m_pageStack->insertWidget(SearchPageIndex, m_searchPage);

    // The page decides when its commands are enabled; from here on they are built.
    const auto built = [](QAction* a) { a->setProperty("kavenBuilt", true); };
    for (size_t i = 0; i < 9; ++i) {
        built(actions.marks[i]);
        connect(actions.marks[i], &QAction::triggered, m_searchPage,
                [page = m_searchPage, i] { page->Mark(MarkCommand(i)); });
    }
    const std::pair<QAction*, void (TSearchPage::*)()> pageCommands[] = {
        {actions.markDown, &TSearchPage::MarkDownwardsClick}, {actions.selectAll, &TSearchPage::SelectAllClick},
        {actions.invert, &TSearchPage::InvertClick},           {actions.openFile, &TSearchPage::OpenResultsClick},
        {actions.saveFile, &TSearchPage::SaveResultsClick}};
    // An opened file is shown at once.
    connect(actions.openFile, &QAction::triggered, this, [this] { setToolPage(SearchPageIndex); });
    for (const auto& [action, slot] : pageCommands) {
        built(action);
        connect(action, &QAction::triggered, m_searchPage, slot);
    }
    for (const auto& [action, slot] : {std::pair{actions.search, &TMainForm::SearchClick},
                                       std::pair{command("SearchAgain1"), &TMainForm::SearchAgainClick},
                                       std::pair{actions.replace, &TMainForm::ReplaceResultsClick},
                                       std::pair{actions.deleteResults, &TMainForm::DeleteResultsClick},
                                       std::pair{actions.check, &TMainForm::CheckResultsClick}}) {
        built(action);
        connect(action, &QAction::triggered, this, slot);
    }
    actions.search->setEnabled(true);
    QAction* pageCommand = command("Page2");
    built(pageCommand);
    pageCommand->setEnabled(true);
    connect(m_searchPage, &TSearchPage::rowCountChanged, this, &TMainForm::updatePageLabel);
    connect(m_searchPage, &TSearchPage::openKeyRequested, this, &TMainForm::showFoundPosition);
    m_searchPage->updateActions();
}

QString TMainForm::connectedMachine() const
{
    const QString machine = m_machineCombo ? m_machineCombo->currentText() : QString();
    return winEqualsNoCase(machine, LocalMachineWord) ? QString() : machine;
}

QList<int> TMainForm::searchColumnWidths() const
{
    QList<int> widths;
    for (int c = 0; c < 3; ++c)
        widths << m_searchPage->view()->columnWidth(c);
    return widths;
}

void TMainForm::setSearchColumnWidths(const QList<int>& widths)
{
    for (int c = 0; c < widths.size(); ++c)
        m_searchPage->view()->setColumnWidth(c, widths[c]);
}

void TMainForm::updateSearchCommands()
{
    if (QAction* again = m_actions.value(QStringLiteral("SearchAgain1")))
        again->setEnabled(CanSearchAgain(storedCriteria(), nodeLevel(selectedNode()) >= 1));
    if (m_searchPage)
        m_searchPage->updateActions();
}

void TMainForm::SearchClick()
{
    TSearchForm form(storedCriteria(), nodeLevel(selectedNode()) >= 1, this);
    if (form.exec() != QDialog::Accepted)
        return;
    storeCriteria(form.criteria());
    updateSearchCommands();
    runSearch();
}

void TMainForm::SearchAgainClick()
{
    if (CanSearchAgain(storedCriteria(), nodeLevel(selectedNode()) >= 1))
        runSearch();
}

SearchStart TMainForm::searchStart() const
{
    SearchStart start;
    if (nodeLevel(selectedNode()) < 1)
        return start; // machine node or nothing: the search starts with the first root key
    start.keyPath = m_currentKeyPath;
    const QList<int> rows = selectedRows();
    if (rows.isEmpty())
        return start;
    const ValueRow& row = m_valueModel->row(rows.first());
    if (rows.first() != 0)
        start.valueName = row.valueName();
    else
        start.atDefaultValue = row.isDefault && row != ValueListModel::unsetDefaultRow();
    return start;
}

void TMainForm::runSearch()
{
    const SearchCriteria criteria = storedCriteria();
    const SearchStart start = searchStart();
    const bool listing = (criteria.contentFlags & SearchFlags::ListResults) != 0;
    if (listing) {
        m_searchPage->clear();
        setToolPage(SearchPageIndex);
    }
    SearchOutcome outcome;
    runWithProgress(QStringLiteral("Suche läuft ..."), QStringLiteral("Registrierung wird durchsucht."),
                    QStringLiteral("SEARCH"), [&](Progress& progress) {
                        outcome = RunSearch(criteria, start, progress,
                                            [this](const SearchResult& match) { m_searchPage->addMatch(match); });
                    });
    if (listing)
        m_searchPage->refresh();
    if (!listing && outcome.match.found) {
        const SearchResult& match = outcome.match;
        showFoundPosition(match.keyPath, match.kind != FoundKind::KeyName, match.valueName);
        return;
    }
    ShowInfo(outcome.cancelled ? QStringLiteral("Suche abgebrochen.") : QStringLiteral("Suche beendet."));
}

void TMainForm::showFoundPosition(const QString& keyPath, bool valueRow, const QString& valueName)
{
    const bool wasCurrent = winEqualsNoCase(keyPath, m_currentKeyPath) && nodeLevel(selectedNode()) >= 1;
    if (!OpenKeyInTree(keyPath, *m_tree)) {
        ShowError(QStringLiteral("Kann Schlüssel nicht öffnen."));
        return;
    }
    if (wasCurrent)
        ShowKeyValues(m_currentKeyPath, *m_valueModel); // the key stays selected: its values are read again
    if (!valueRow)
        return;
    const int row = m_valueModel->findValue(valueName);
    if (row < 0)
        return;
    const QModelIndex index = m_valueModel->index(row, 0);
    m_list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                         QItemSelectionModel::Rows);
    m_list->scrollTo(index);
}

void TMainForm::ReplaceResultsClick()
{
    KavenOptions& options = Options();
    ReplaceSettings settings{options.searchLineB, options.replaceLine, options.searchFlagsB,
                             options.replaceCompareFlags};
    {
        TReplaceForm form(settings, this);
        if (form.exec() != QDialog::Accepted)
            return;
        settings = form.settings();
    }
    options.searchLineB = settings.find;
    options.replaceLine = settings.replacement;
    options.searchFlagsB = settings.runFlags;
    options.replaceCompareFlags = settings.compareFlags;
    if (!AskYesNo(StartChangesQuestion))
        return;
    m_edit->undoList().Clear();
    EscapeProgress progress;
    const ResultRunOutcome run =
        ReplaceInResults(m_searchPage->changeableResults(), settings,
                         {[this](int row, bool on) { m_searchPage->showMarker(row, on); }}, progress);
    m_searchPage->refresh();
    finishResultRun(run.commitError, AsksRefreshAfterReplace(run));
}

void TMainForm::DeleteResultsClick()
{
    DeleteSettings settings;
    {
        TDeleteForm form(this);
        if (form.exec() != QDialog::Accepted)
            return;
        settings.runFlags = form.runFlags();
    }
    if (!AskYesNo(StartChangesQuestion))
        return;
    m_edit->undoList().Clear();
    EscapeProgress progress;
    const ResultRunOutcome run =
        DeleteFromResults(m_searchPage->changeableResults(), settings,
                          {[this](int row, bool on) { m_searchPage->showMarker(row, on); }}, progress);
    m_searchPage->refresh();
    finishResultRun(run.commitError, AsksRefreshAfterDelete(run));
}

void TMainForm::finishResultRun(LONG commitError, bool askRefresh)
{
    if (commitError != ERROR_SUCCESS)
        ShowError(WithCommitReason(QStringLiteral("Die Änderungen konnten nicht gespeichert werden."), commitError));
    if (askRefresh && AskYesNo(RefreshQuestion)) {
        RefreshTree();
        ShowKeyValues(m_currentKeyPath, *m_valueModel);
    }
}

void TMainForm::CheckResultsClick()
{
    {
        TCheckForm form(this);
        if (form.exec() != QDialog::Accepted || !form.checkPathsChosen())
            return;
    }
    EscapeProgress progress;
    const auto onInvalid = [this](int row, const QString& text, const QString&) {
        m_searchPage->showMarker(row, true);
        const bool goOn
            = AskYesNo(QStringLiteral("Ungültiger Eintrag: ") + text + QStringLiteral("\r\nWeiter prüfen?"));
        m_searchPage->showMarker(row, false);
        return goOn;
    };
    const CheckStatus status =
        CheckResults(m_searchPage->results(), LocalPathResolver::fromRegistry(), progress, onInvalid);
    ShowInfo(QStringLiteral("Prüfung %1.").arg(CheckStatusText(status)));
}
