// The main window's commands on keys and values, the tree's selection, renaming and refreshing, and
// the registry-file import and export.

#include "mainwindow/TMainForm.h"

#include "app/DialogProgress.h"
#include "app/TOptionForm.h"
#include "mainwindow/EditCommands.h"
#include "mainwindow/ImportCommand.h"
#include "mainwindow/RefreshTree.h"
#include "mainwindow/TExportDialog.h"
#include "platform/WinCase.h"
#include "regfile/RegFileUtils.h"
#include "registry/KeyTreeModel.h"
#include "registry/RegKeyUtils.h"
#include "registry/RegMessageUtils.h"
#include "registry/RegUtils.h"
#include "registry/RegValueUtils.h"
#include "registry/ValueListModel.h"
#include "settings/KavenVariables405.h"
#include "settings/OptionsStore.h"
#include "widgets/EscapeProgress.h"
#include "widgets/InPlaceEditor.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QTreeView>

namespace {

class WaitCursor final {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// "a.txt" -> "a.reg", "a" -> "a.reg".
QString withRegExtension(const QString& fileName)
{
    const QFileInfo info(fileName);
    const QString suffix = info.suffix();
    return (suffix.isEmpty() ? fileName : fileName.left(fileName.size() - suffix.size() - 1)) + QStringLiteral(".reg");
}

} // namespace

void TMainForm::onCurrentNodeChanged(const QModelIndex& current)
{
    // Before the list follows: the history records the new path here once it exists.
    m_currentKeyPath = GetNodePath(*m_treeModel, current);
    {
        WaitCursor wait;
        ShowKeyValues(m_currentKeyPath, *m_valueModel);
    }
    ShowInformation(m_currentKeyPath);
    const QString machine = m_treeModel->text(m_treeModel->index(0, 0));
    m_statusPanels[2]->setText(ExcludeTrailingBackslash(machine + QLatin1Char('\\') + m_currentKeyPath));
    UpdateCommands();
}

void TMainForm::NewKeyClick()
{
    const QModelIndex parent = commandNode();
    if (nodeLevel(parent) < 1)
        return;
    const QPersistentModelIndex parentNode(parent);
    const int row = CreateNewKey(GetNodePath(*m_treeModel, parent), parent, *m_treeModel);
    if (row < 0)
        return;
    m_tree->expand(parentNode);
    const QModelIndex node = m_treeModel->index(row, 0, parentNode);
    selectNode(node);
    m_keyEditor->start(node);
}

void TMainForm::NewStringClick()
{
    newValue(int(NewValueKind::String));
}

void TMainForm::NewDWordClick()
{
    newValue(int(NewValueKind::DWord));
}

void TMainForm::NewBinaryClick()
{
    newValue(int(NewValueKind::Binary));
}

void TMainForm::newValue(int kind)
{
    if (nodeLevel(selectedNode()) < 1)
        return;
    m_list->clearSelection();
    const int row = CreateNewValue(m_currentKeyPath, NewValueKind(kind), *m_valueModel);
    if (row < 0)
        return;
    m_edit->recordAddedValue(m_currentKeyPath, m_valueModel->row(row).valueName());
    const QModelIndex index = m_valueModel->index(row, 0);
    m_list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_list->setFocus();
    m_valueEditor->start(index);
}

void TMainForm::RenameClick()
{
    if (m_keyContextActive || treeFocused()) {
        const QModelIndex node = commandNode();
        if (nodeLevel(node) >= 2)
            m_keyEditor->start(node);
        return;
    }
    const QList<int> rows = selectedRows();
    if (rows.size() == 1 && rows.first() != 0)
        m_valueEditor->start(m_valueModel->index(rows.first(), 0));
}

void TMainForm::onKeyEdited(const QModelIndex& node, const QString& oldText, const QString& newText)
{
    if (!node.isValid() || newText.isEmpty() || newText.contains(QLatin1Char('\\')))
        return; // the old name stays
    if (winEqualsNoCase(newText, oldText)) {
        // The registry does not change; the node shows what was typed.
        const bool wasSelected = node == selectedNode();
        const QModelIndex moved = m_treeModel->setText(node, newText);
        if (wasSelected)
            selectNode(moved);
        return;
    }
    const bool wasSelected = node == selectedNode();
    const RegResult result = RenameKey(GetNodePath(*m_treeModel, node), oldText, newText, true);
    if (result != RegResult::Success)
        return;
    const QModelIndex moved = m_treeModel->setText(node, newText);
    if (wasSelected) {
        selectNode(moved);
        onCurrentNodeChanged(moved);
    }
}

void TMainForm::onValueEdited(const QModelIndex& index, const QString& oldText, const QString& newText)
{
    if (!index.isValid() || nodeLevel(selectedNode()) < 1 || newText.isEmpty())
        return;
    if (winEqualsNoCase(newText, oldText))
        return;
    const ValueRow old = m_valueModel->row(index.row());
    if (RenameValue(m_currentKeyPath, old.valueName(), newText, true) != RegResult::Success)
        return;
    m_edit->recordRename(m_currentKeyPath, old.valueName(), newText);
    ValueRow renamed = old;
    renamed.caption = newText;
    m_valueModel->setRow(index.row(), renamed);
    const int row = m_valueModel->findValue(newText);
    if (row >= 0)
        m_list->selectionModel()->setCurrentIndex(m_valueModel->index(row, 0),
                                                  QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void TMainForm::DeleteClick()
{
    if (m_keyContextActive || treeFocused())
        deleteKey(commandNode());
    else
        deleteValues();
}

void TMainForm::deleteKey(const QModelIndex& node)
{
    if (nodeLevel(node) < 2)
        return;
    const QPersistentModelIndex target(node);
    if (!AskYesNo(QStringLiteral("Schlüssel '") + m_treeModel->text(node) + QStringLiteral("' wirklich löschen?")))
        return;
    if (DeleteKeyPath(GetNodePath(*m_treeModel, target), true) != RegResult::Success)
        return;
    const bool wasSelected = target == selectedNode();
    const QPersistentModelIndex parent = target.parent();
    m_treeModel->removeNode(target);
    if (wasSelected)
        selectNode(parent);
}

void TMainForm::deleteValues()
{
    // The deletions of one command form one undo group.
    m_edit->deleteSelectedValues(true);
    UpdateCommands();
}

void TMainForm::RefreshClick()
{
    RefreshTree();
}

QModelIndex TMainForm::RefreshTree()
{
    if (m_walking)
        return selectedNode();
    m_walking = true;
    const QModelIndex selected = selectedNode();
    QPersistentModelIndex result;
    {
        WaitCursor wait;
        EscapeProgress progress;
        result = ::RefreshTree(*m_treeModel, selected, progress, [this](const QModelIndex& node) {
            m_provisionalMarks.insert(node.internalPointer());
            m_treeModel->setHasChildrenMark(node, true);
        });
    }
    m_walking = false;
    queueSettle();
    if (result == selectedNode())
        onCurrentNodeChanged(result);
    else
        selectNode(result.isValid() ? QModelIndex(result) : m_treeModel->index(0, 0));
    return selectedNode();
}

void TMainForm::expandSubtree()
{
    if (m_walking)
        return;
    m_walking = true;
    {
        WaitCursor wait;
        EscapeProgress progress;
        ExpandSubtree(*m_treeModel, selectedNode(), progress, [this](const QModelIndex& n) { m_tree->expand(n); });
    }
    m_walking = false;
}

void TMainForm::StandardViewClick()
{
    selectNode(BuildRootNodes(*m_treeModel));
}

void TMainForm::CopyKeyPathClick()
{
    const QModelIndex node = commandNode();
    if (node.isValid())
        QApplication::clipboard()->setText(ExcludeTrailingBackslash(GetNodePath(*m_treeModel, node)));
}

void TMainForm::ShowCurrentKeyClick()
{
    const QModelIndex node = selectedNode();
    if (node.isValid())
        m_tree->scrollTo(node);
}

void TMainForm::EditRegFileClick()
{
    const QString program = KavenVariables405::ProgramDir + QStringLiteral("Quillbox.exe");
    if (!QFileInfo::exists(program) || !QProcess::startDetached(program, {}))
        ShowWarning(QStringLiteral("Kann \"Quillbox\" nicht starten."));
}

void TMainForm::showKeyContextMenu(const QPoint& pos)
{
    const QModelIndex node = m_tree->indexAt(pos);
    if (node.isValid())
        selectNode(node);
    m_contextNode = selectedNode();
    m_keyContextActive = true;
    UpdateCommands();
    m_keyMenu->exec(m_tree->viewport()->mapToGlobal(pos));
    m_keyContextActive = false;
    m_contextNode = QPersistentModelIndex();
    UpdateCommands();
}

void TMainForm::showValueContextMenu(const QPoint& pos)
{
    m_list->setFocus();
    UpdateCommands();
    m_valueMenu->exec(m_list->viewport()->mapToGlobal(pos));
}

void TMainForm::OptionsClick()
{
    const RootKeySlot& slot6 = RootKeyTable()[5];
    TOptionForm form(Options(), slot6.available ? slot6.name : QString(), this);
    if (form.exec() == QDialog::Accepted) {
        m_edit->undoList().SetCapacity(Options().maxUndo);
        ShowInformation(m_currentKeyPath); // link colour, style and the file may have changed
    }
}

void TMainForm::ImportRegFileClick()
{
    const QString fileName = messageSink().openFileName(QStringLiteral("Registrierungsdatei importieren"),
                                                        QStringLiteral("Registrierungsdatei (*.reg)|*.reg"));
    if (fileName.isEmpty() || !QFileInfo::exists(fileName))
        return;
    ImportOutcome outcome;
    runWithProgress(QStringLiteral("Datenimport läuft ..."), QStringLiteral("Registrierung wird aktualisiert."),
                    QStringLiteral("CREATE"), [&](Progress& progress) {
                        outcome = ImportRegFileCommand(fileName, progress, m_edit->undoList());
                    });
    if (outcome.status == ImportOutcome::Status::Failed)
        ShowError(outcome.failureText());
    else if (outcome.status == ImportOutcome::Status::Imported)
        ShowInfo(ImportDoneText);
    // Also a cancelled or failed import may have applied part of the file.
    if (outcome.registryTouched())
        RefreshTree();
}

void TMainForm::ExportRegFileClick()
{
    const KavenOptions& options = Options();
    if (std::none_of(options.rootExport.begin(), options.rootExport.end(), [](bool b) { return b; })) {
        ShowError(QStringLiteral("Es gibt nichts zu sichern."));
        return;
    }
    ExportChoice choice;
    choice.currentBranch = m_exportCurrentBranch;
    choice.format = m_exportFormat;
    choice.branchPath = ExcludeTrailingBackslash(GetNodePath(*m_treeModel, selectedNode()));
    if (!askExportFile(choice))
        return;
    m_exportCurrentBranch = choice.currentBranch;
    m_exportFormat = choice.format;
    const QString fileName = withRegExtension(choice.fileName);
    const DWORD mask = rootExportMask();
    QStringList lostTypes;
    bool written = false;
    runWithProgress(QStringLiteral("Datensicherung läuft ..."),
                    QStringLiteral("Registrierung wird in ") + QFileInfo(choice.fileName).fileName() +
                        QStringLiteral(" gesichert."),
                    QStringLiteral("SAVE"), [&](Progress& progress) {
                        written = ExportRegFile(fileName, choice.currentBranch ? choice.branchPath : QString(),
                                                progress, mask, choice.format, &lostTypes);
                    });
    // The file holds what REGEDIT4 can; the user learns which types it could not.
    if (written && !lostTypes.isEmpty())
        ShowWarning(LostTypesMessage(lostTypes, QStringLiteral("Das Format \"Version 5 (Unicode)\" im "
                                                               "Speichern-Dialog bewahrt den Typ."))
                        .replace(u'\n', QStringLiteral("\r\n")));
}

bool TMainForm::defaultAskExportFile(ExportChoice& choice)
{
    TExportDialog dialog(this);
    if (choice.analysisFile)
        dialog.setAnalysisFile();
    dialog.setCurrentBranch(choice.currentBranch);
    dialog.setBranchPath(choice.branchPath);
    dialog.setFormat(choice.format);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    choice.fileName = dialog.selectedFiles().first();
    choice.currentBranch = dialog.currentBranch();
    choice.branchPath = dialog.branchPath();
    choice.format = dialog.format();
    return true;
}

void TMainForm::defaultRunWithProgress(const QString& caption, const QString& text, const QString& animation,
                                       const std::function<void(Progress&)>& work)
{
    // The dialog disables this window while it lives and enables it again when it goes.
    DialogProgress progress(this, caption, text, animation);
    work(progress);
}
