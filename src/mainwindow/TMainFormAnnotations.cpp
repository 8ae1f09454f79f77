// The main window's key annotations: notes with the warning in the second status panel, aliases (also
// resolved in the navigation box), structures, and the external tools at the end of the Extras menu.

#include "mainwindow/TMainForm.h"

#include "annotations/AliasFile.h"
#include "annotations/NoteFile.h"
#include "annotations/StructureFile.h"
#include "annotations/TAliasEditForm.h"
#include "annotations/TAliasForm.h"
#include "annotations/TMemoEditForm.h"
#include "annotations/TMemoForm.h"
#include "annotations/TStructurEditForm.h"
#include "annotations/TStructurForm.h"
#include "annotations/TToolForm.h"
#include "registry/KeyTreeModel.h"
#include "registry/MessageSink.h"
#include "registry/RegMessageUtils.h"
#include "registry/RegUtils.h"
#include "settings/OptionsStore.h"

#include <QAction>
#include <QDate>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>
#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QTreeView>

namespace {

const QString MemoFileName = QStringLiteral("memo.dat");
// The Extras menu's own items ("&Optionen ..." to "&Tools ..." and the separator) stay; tools follow.
constexpr int FixedExtrasItems = 6;

// A click on the notes' status panel opens the notes manager.
class MemoPanelClick final : public QObject {
public:
    explicit MemoPanelClick(TMainForm* form) : QObject(form), m_form(form) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MouseButtonRelease)
            m_form->MemosClick();
        return QObject::eventFilter(watched, event);
    }

private:
    TMainForm* m_form;
};

} // namespace

void TMainForm::buildAnnotations()
{
    runAnnotationDialog = [](QDialog& dialog) { return dialog.exec() == QDialog::Accepted; };
    const std::pair<const char*, void (TMainForm::*)()> commands[] = {
        {"Memos1", &TMainForm::MemosClick},
        {"Aliases1", &TMainForm::AliasesClick},
        {"CreateStructure1", &TMainForm::CreateStructureClick},
        {"Tools1", &TMainForm::ToolsClick},
        {"CreateMemo1", &TMainForm::CreateMemoClick},
        {"SetAlias1", &TMainForm::SetAliasClick},
        {"ReadStructure1", &TMainForm::ReadStructureClick},
        {"NewStructure1", &TMainForm::NewStructureClick}};
    for (const auto& [name, slot] : commands) {
        QAction* a = action(QString::fromLatin1(name));
        a->setProperty("kavenBuilt", true);
        a->setEnabled(true);
        connect(a, &QAction::triggered, this, slot);
    }
    m_statusPanels[1]->setAlignment(Qt::AlignCenter);
    m_statusPanels[1]->installEventFilter(new MemoPanelClick(this));
}

QString TMainForm::resolveAlias(const QString& typed)
{
    return AliasFile::resolve(AliasFile::load(DataFile(AliasFile::FileName)), typed,
                              [](const QString& keyPath) { return KeyExists(keyPath); });
}

QString TMainForm::annotatedKeyPath() const
{
    const QModelIndex node = commandNode();
    return nodeLevel(node) >= 1 ? GetNodePath(*m_treeModel, node) : QString();
}

void TMainForm::showMemoWarning()
{
    QLabel* panel = m_statusPanels[1];
    const bool warn = Options().memoWarn;
    panel->setProperty("indicator", warn);
    panel->setPixmap(warn ? style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(16, 16) : QPixmap());
    panel->setToolTip(warn ? QStringLiteral("Offene wichtige Schlüsselnotizen") : QString());
}

void TMainForm::MemosClick()
{
    TMemoForm form(DataFile(MemoFileName), m_currentKeyPath, this);
    form.runEditor = runAnnotationDialog;
    runAnnotationDialog(form);
    showMemoWarning();
}

void TMainForm::CreateMemoClick()
{
    const QString keyPath = annotatedKeyPath();
    if (keyPath.isEmpty())
        return;
    const QString file = DataFile(MemoFileName);
    const std::optional<KeyNote> stored = NoteFile::readNote(file, keyPath, messageSink());
    const KeyNote fresh{0, QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy")), keyPath, {}};
    const QString caption =
        stored ? QStringLiteral("Schlüsselnotiz bearbeiten") : QStringLiteral("Schlüsselnotiz hinzufügen");
    TMemoEditForm editor(caption, stored ? *stored : fresh, this);
    if (!runAnnotationDialog(editor))
        return;
    const KeyNote note = editor.note();
    if (!NoteFile::writeNote(file, note, messageSink())) {
        ShowError(QStringLiteral("Die Notiz konnte nicht gespeichert werden."));
        return;
    }
    if (note.openImportant()) {
        Options().memoWarn = true;
        showMemoWarning();
    }
}

void TMainForm::AliasesClick()
{
    TAliasForm form(DataFile(AliasFile::FileName), m_currentKeyPath, this);
    form.runEditor = runAnnotationDialog;
    runAnnotationDialog(form);
}

void TMainForm::SetAliasClick()
{
    const QString keyPath = annotatedKeyPath();
    if (keyPath.isEmpty())
        return;
    const QString file = DataFile(AliasFile::FileName);
    QList<AliasEntry> aliases = AliasFile::load(file);
    const int index = AliasFile::indexOfKey(aliases, keyPath);
    TAliasEditForm editor(keyPath, index >= 0 ? aliases[index].name : QString(), this);
    if (!runAnnotationDialog(editor))
        return;
    if (!KeyExists(editor.keyPath())) {
        ShowError(QStringLiteral("Der Schlüssel existiert nicht."));
        return;
    }
    AliasFile::setAlias(aliases, editor.keyPath(), editor.alias());
    if (!AliasFile::save(aliases, file))
        ShowError(QStringLiteral("Die Aliasnamen konnten nicht gespeichert werden."));
}

void TMainForm::CreateStructureClick()
{
    TStructurForm form(Options().structPath, QString(), this);
    runAnnotationDialog(form);
}

void TMainForm::ReadStructureClick()
{
    const QString keyPath = annotatedKeyPath();
    if (keyPath.isEmpty())
        return;
    TStructurForm form(Options().structPath, keyPath, this);
    runAnnotationDialog(form);
}

void TMainForm::NewStructureClick()
{
    const QPersistentModelIndex node(commandNode());
    const QString keyPath = annotatedKeyPath();
    if (keyPath.isEmpty())
        return;
    TStructurEditForm picker(Options().structPath, this);
    if (!runAnnotationDialog(picker) || picker.fileName().isEmpty())
        return;
    // Not recorded for undo: the keys are new or were there already.
    if (StructureFile::apply(picker.fileName(), keyPath) > 0) {
        m_treeModel->setHasChildrenMark(node, true);
        if (m_treeModel->childrenLoaded(node))
            RefreshTree();
    }
    if (!node.isValid())
        return;
    selectNode(node);
    m_tree->expand(node);
}

void TMainForm::loadExternalTools()
{
    m_tools = ToolsFile::load(DataFile(ToolsFile::FileName));
    buildToolMenu();
}

void TMainForm::buildToolMenu()
{
    QMenu* extras = menuBar()->findChild<QMenu*>(QStringLiteral("ExtrasMenu"));
    while (extras->actions().size() > FixedExtrasItems) {
        QAction* last = extras->actions().constLast();
        extras->removeAction(last);
        delete last;
    }
    for (int i = 0; i < m_tools.size(); ++i) {
        QAction* item = extras->addAction(QString(m_tools[i].name).replace(QLatin1Char('&'), QStringLiteral("&&")));
        item->setObjectName(ToolsFile::menuItemName(i));
        connect(item, &QAction::triggered, this, &TMainForm::ToolClick);
    }
}

void TMainForm::ToolClick()
{
    const auto* item = qobject_cast<const QAction*>(sender());
    const int index = item ? ToolsFile::indexOfMenuItem(item->objectName()) : -1;
    if (index < 0 || index >= m_tools.size())
        return;
    // A document rather than a program opens in the application the desktop chooses for it.
    const QFileInfo file(m_tools[index].path);
    if (!ToolsFile::run(m_tools[index]) && file.isFile() && !file.isExecutable())
        QDesktopServices::openUrl(QUrl::fromLocalFile(file.absoluteFilePath()));
}

void TMainForm::ToolsClick()
{
    TToolForm form(m_tools, this);
    form.runEditor = runAnnotationDialog;
    runAnnotationDialog(form);
    // Whichever way the dialog closed, the list as it stands is kept.
    m_tools = form.tools();
    buildToolMenu();
    if (!ToolsFile::save(m_tools, DataFile(ToolsFile::FileName)))
        ShowError(QStringLiteral("Die Tools konnten nicht gespeichert werden."));
}
