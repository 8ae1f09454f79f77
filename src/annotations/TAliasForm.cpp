#include "annotations/TAliasForm.h"

#include "annotations/TAliasEditForm.h"
#include "registry/RegMessageUtils.h"
#include "registry/RegUtils.h"
#include "widgets/DialogButtons.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

TAliasForm::TAliasForm(const QString& fileName, const QString& currentKeyPath, QWidget* parent)
    : QDialog(parent), m_fileName(fileName), m_currentKeyPath(currentKeyPath)
{
    runEditor = [](QDialog& editor) { return editor.exec() == QDialog::Accepted; };
    setObjectName(QStringLiteral("AliasForm"));
    setWindowTitle(QStringLiteral("Aliasnamen bearbeiten"));
    m_list = new QTreeWidget;
    m_list->setObjectName(QStringLiteral("AliasListView"));
    m_list->setHeaderLabels({QStringLiteral("Aliasname"), QStringLiteral("Schlüssel")});
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setColumnWidth(0, 140);
    m_add = new QPushButton(QStringLiteral("&Aktuellen Schlüssel &hinzufügen"));
    m_add->setObjectName(QStringLiteral("AddButton"));
    m_edit = new QPushButton(QStringLiteral("&Bearbeiten"));
    m_edit->setObjectName(QStringLiteral("EditButton"));
    m_remove = new QPushButton(QStringLiteral("&Entfernen"));
    m_remove->setObjectName(QStringLiteral("RemoveButton"));
    auto* row = new QHBoxLayout;
    for (QPushButton* b : {m_add, m_edit, m_remove})
        row->addWidget(b);
    row->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addLayout(row);
    layout->addWidget(OkCancelButtons(this));
    resize(600, 380);

    connect(m_add, &QPushButton::clicked, this, &TAliasForm::AddCurrentKeyClick);
    connect(m_edit, &QPushButton::clicked, this, &TAliasForm::EditClick);
    connect(m_remove, &QPushButton::clicked, this, &TAliasForm::RemoveClick);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, &TAliasForm::updateButtons);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, &TAliasForm::EditClick);
    const QList<AliasEntry> aliases = AliasFile::load(fileName);
    for (const AliasEntry& alias : aliases)
        addRow(alias);
    const int current = currentKeyPath.isEmpty() ? -1 : AliasFile::indexOfKey(aliases, currentKeyPath);
    if (current >= 0)
        m_list->setCurrentItem(m_list->topLevelItem(current));
    m_add->setEnabled(!currentKeyPath.isEmpty() && current < 0);
    updateButtons();
}

QList<AliasEntry> TAliasForm::aliases() const
{
    QList<AliasEntry> aliases;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i)
        aliases.append({m_list->topLevelItem(i)->text(0), m_list->topLevelItem(i)->text(1)});
    return aliases;
}

void TAliasForm::addRow(const AliasEntry& alias)
{
    new QTreeWidgetItem(m_list, {alias.name, alias.keyPath});
}

void TAliasForm::updateButtons()
{
    const bool one = m_list->selectedItems().size() == 1;
    m_edit->setEnabled(one);
    m_remove->setEnabled(one);
}

std::optional<AliasEntry> TAliasForm::edit(const AliasEntry& alias)
{
    TAliasEditForm editor(alias.keyPath, alias.name, this);
    if (!runEditor(editor))
        return std::nullopt;
    if (!KeyExists(editor.keyPath())) {
        ShowError(QStringLiteral("Der Schlüssel existiert nicht."));
        return std::nullopt;
    }
    return AliasEntry{editor.alias(), editor.keyPath()};
}

void TAliasForm::AddCurrentKeyClick()
{
    if (const auto added = edit({QString(), m_currentKeyPath})) {
        addRow(*added);
        m_list->setCurrentItem(m_list->topLevelItem(m_list->topLevelItemCount() - 1));
    }
}

void TAliasForm::EditClick()
{
    const QList<QTreeWidgetItem*> selected = m_list->selectedItems();
    if (selected.size() != 1)
        return;
    QTreeWidgetItem* item = selected.first();
    if (const auto edited = edit({item->text(0), item->text(1)})) {
        item->setText(0, edited->name);
        item->setText(1, edited->keyPath);
    }
}

void TAliasForm::RemoveClick()
{
    for (QTreeWidgetItem* item : m_list->selectedItems())
        delete item;
    updateButtons();
}

void TAliasForm::accept()
{
    if (!AliasFile::save(aliases(), m_fileName))
        ShowError(QStringLiteral("Die Aliasnamen konnten nicht gespeichert werden."));
    QDialog::accept();
}
