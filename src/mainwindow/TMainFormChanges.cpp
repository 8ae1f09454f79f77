// The main window's change detection: the snapshot command, the find-changes dialog and its repeat,
// the change page and the exclusion dialog.

#include "mainwindow/TMainForm.h"

#include "changes/CompareWithAnalysisFile.h"
#include "changes/ExclusionList.h"
#include "changes/TBackupForm.h"
#include "changes/TChangePage.h"
#include "changes/TChangeSearchForm.h"
#include "changes/TCompForm.h"
#include "changes/TExcludeForm.h"
#include "changes/UndoChanges.h"
#include "changes/WriteAnalysisFile.h"
#include "mainwindow/EditCommands.h"
#include "registry/Progress.h"
#include "registry/RegValueUtils.h"
#include "registry/RegMessageUtils.h"
#include "settings/OptionsStore.h"
#include "widgets/EscapeProgress.h"

#include <QAction>
#include <QFileInfo>
#include <QStackedWidget>
#include <QTabBar>

namespace {

constexpr int ChangePageIndex = 3;

// The comparison's progress: the change page follows the rows as they arrive, in steps.
class FollowingProgress final : public Progress {
public:
    FollowingProgress(Progress& inner, TChangePage& page) : m_inner(inner), m_page(page) {}
    void step() override
    {
        m_page.follow();
        m_inner.step();
    }
    [[nodiscard]] bool abortRequested() const override { return m_inner.abortRequested(); }
    void clearAbort() override { m_inner.clearAbort(); }

private:
    Progress& m_inner;
    TChangePage& m_page;
};

} // namespace

void TMainForm::buildChangePage()
{
    const auto command = [this](const char* name) { return m_actions.value(QString::fromLatin1(name)); };
    TChangePage::Actions actions;
    actions.findChanges = command("FindChanges1");
    actions.exclude = command("Exclude1");
    const char* marks[7] = {"ChangeMarkKeysAll1",   "ChangeMarkKeysAdded1",   "ChangeMarkKeysRemoved1",
                            "ChangeMarkValuesAll1", "ChangeMarkValuesAdded1", "ChangeMarkValuesRemoved1",
                            "ChangeMarkDataChanged1"};
    for (size_t i = 0; i < 7; ++i)
        actions.marks[i] = command(marks[i]);
    actions.markDown = command("ChangeMarkDown1");
    actions.selectAll = command("ChangeSelectAll1");
    actions.invert = command("ChangeInvert1");
    actions.search = command("SearchChanges1");
    actions.undo = command("UndoChanges1");
    actions.remove = command("RemoveChanges1");
    actions.openKey = command("OpenChangeKey1");
    actions.openFile = command("OpenChanges1");
    actions.saveFile = command("SaveChanges1");

    m_changePage = new TChangePage(actions);
    m_changePage->machineName = [this] { return connectedMachine(); };
    m_pageTabs->insertTab(ChangePageIndex, QStringLiteral("Änderungen"));
    m_pageStack->insertWidget(ChangePageIndex, m_changePage);

    const auto built = [](QAction* a) {
        a->setProperty("kavenBuilt", true);
        a->setEnabled(true);
    };
    for (size_t i = 0; i < 7; ++i) {
        built(actions.marks[i]);
        connect(actions.marks[i], &QAction::triggered, m_changePage,
                [page = m_changePage, i] { page->Mark(ChangeMark(i)); });
    }
    const std::pair<QAction*, void (TChangePage::*)()> pageCommands[] = {
        {actions.markDown, &TChangePage::MarkDownwardsClick}, {actions.selectAll, &TChangePage::SelectAllClick},
        {actions.invert, &TChangePage::InvertClick},           {actions.remove, &TChangePage::RemoveEntriesClick},
        {actions.openKey, &TChangePage::OpenKeyClick},         {actions.openFile, &TChangePage::OpenChangesClick},
        {actions.saveFile, &TChangePage::SaveChangesClick}};
    // An opened list is shown at once.
    connect(actions.openFile, &QAction::triggered, this, [this] { setToolPage(ChangePageIndex); });
    for (const auto& [action, slot] : pageCommands) {
        built(action);
        connect(action, &QAction::triggered, m_changePage, slot);
    }
    const std::pair<QAction*, void (TMainForm::*)()> windowCommands[] = {
        {command("ExportAnalysis1"), &TMainForm::ExportAnalysisClick},
        {actions.findChanges, &TMainForm::FindChangesClick},
        {command("Repeat1"), &TMainForm::RepeatClick},
        {actions.exclude, &TMainForm::ExcludeClick},
        {actions.undo, &TMainForm::UndoChangesClick},
        {actions.search, &TMainForm::SearchChangesClick},
        {command("Page3"), nullptr}};
    for (const auto& [action, slot] : windowCommands) {
        built(action);
        if (slot)
            connect(action, &QAction::triggered, this, slot);
    }
    connect(m_changePage, &TChangePage::rowCountChanged, this, &TMainForm::updatePageLabel);
    connect(m_changePage, &TChangePage::openKeyRequested, this, &TMainForm::showFoundPosition);
    m_changePage->updateActions();
}

quint32 TMainForm::rootExportMask() const
{
    quint32 mask = 0;
    for (int i = 0; i < 6; ++i) {
        if (Options().rootExport[size_t(i)])
            mask |= 1u << i;
    }
    return mask;
}

void TMainForm::ExportAnalysisClick()
{
    if (rootExportMask() == 0) {
        ShowError(QStringLiteral("Es gibt nichts zu sichern."));
        return;
    }
    ExportChoice choice;
    choice.analysisFile = true;
    choice.currentBranch = m_exportCurrentBranch;
    choice.branchPath = m_currentKeyPath;
    while (choice.branchPath.endsWith(QLatin1Char('\\')))
        choice.branchPath.chop(1);
    if (!askExportFile(choice))
        return;
    m_exportCurrentBranch = choice.currentBranch;
    const QString fileName = AnalysisFileName(choice.fileName);
    runWithProgress(QStringLiteral("Datensicherung läuft ..."),
                    QStringLiteral("Analysedatei wird in ") + QFileInfo(choice.fileName).fileName()
                        + QStringLiteral(" gesichert."),
                    QStringLiteral("SAVE"), [&](Progress& progress) {
                        // An empty branch is every selected root key, as in the "Alle Zweige" mode.
                        (void)WriteAnalysisFile(fileName, choice.currentBranch ? choice.branchPath : QString(),
                                                progress, rootExportMask());
                    });
}

void TMainForm::FindChangesClick()
{
    KavenOptions& options = Options();
    bool accepted = false;
    {
        TCompForm form(options.compFile, int(options.compFlags), DataFile(QStringLiteral("file.dat")), this);
        accepted = form.exec() == QDialog::Accepted;
        if (accepted) {
            options.compFile = form.compFile();
            options.compFlags = quint32(form.compFlags());
        }
    } // the recent files are written back as the dialog goes
    if (accepted)
        RepeatClick();
}

void TMainForm::RepeatClick()
{
    if (!QFileInfo(Options().compFile).isFile()) {
        ShowError(QStringLiteral("Kann Datei nicht öffnen."));
        return;
    }
    runComparison();
}

void TMainForm::runComparison()
{
    const QString fileName = Options().compFile;
    const CompareOptions options =
        ComparisonOptions(int(Options().compFlags), DataFile(ExclusionFileName));
    setToolPage(ChangePageIndex);
    m_changePage->clear();
    CompareOutcome outcome;
    runWithProgress(QStringLiteral("Datenanalyse läuft ..."), QStringLiteral("Registrierung wird untersucht."),
                    QStringLiteral("SEARCH"), [&](Progress& progress) {
                        FollowingProgress following(progress, *m_changePage);
                        outcome = CompareWithAnalysisFile(fileName, m_changePage->changes(), options, following);
                    });
    m_changePage->refresh();
    // A file that is no analysis file, or a damaged one, says so rather than showing a short list.
    if (outcome.status == CompareOutcome::Status::FileError)
        ShowError(outcome.error.text(fileName));
}

void TMainForm::ExcludeClick()
{
    const QString currentKey = nodeLevel(selectedNode()) >= 1 ? m_currentKeyPath : QString();
    TExcludeForm form(DataFile(ExclusionFileName), currentKey, m_changePage->markedKeyPaths(), this);
    form.exec();
}

void TMainForm::UndoChangesClick()
{
    int flags = 0;
    {
        TBackupForm form(this);
        if (form.exec() != QDialog::Accepted)
            return;
        flags = form.undoFlags();
    }
    const bool dryRun = (flags & UndoFlags::CheckOnly) != 0;
    if (!dryRun && !AskYesNo(StartChangesQuestion))
        return;
    m_edit->undoList().Clear();
    UndoSettings settings;
    settings.flags = flags;
    settings.backupFolder = QFileInfo(DataFile(QStringLiteral("x.cbk"))).absolutePath();
    EscapeProgress progress;
    const auto showMarker = [this](int row, bool on) { m_changePage->showMarker(row, on); };
    const UndoOutcome outcome = UndoChanges(m_changePage->changes(), settings, {showMarker}, progress);
    m_changePage->refresh();
    if (dryRun) {
        ShowInfo(CheckDoneText);
        return;
    }
    if (outcome.run.commitError != ERROR_SUCCESS)
        ShowError(WithCommitReason(QStringLiteral("Die Änderungen konnten nicht gespeichert werden."),
                                   outcome.run.commitError));
    if (AskYesNo(UndoRefreshQuestion(outcome.backupFile))) {
        RefreshTree();
        ShowKeyValues(m_currentKeyPath, *m_valueModel);
    }
}

void TMainForm::SearchChangesClick()
{
    KavenOptions& options = Options();
    ChangeSearchCriteria criteria{options.searchLineC, options.searchFlagsC & ~ChangeSearchFlags::MarkAll,
                                  DWORD(options.changeCompareFlags)};
    {
        TChangeSearchForm form(criteria, this);
        if (form.exec() != QDialog::Accepted)
            return;
        criteria = form.criteria();
    }
    options.searchLineC = criteria.text;
    options.searchFlagsC = criteria.flags;
    options.changeCompareFlags = criteria.compareFlags;
    m_changePage->showFound(SearchChanges(m_changePage->changes(), criteria));
}
