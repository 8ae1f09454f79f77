#include "annotations/TStructurForm.h"

#include "annotations/TStructurEditForm.h"
#include "platform/WinCase.h"
#include "platform/WinTypes.h"
#include "registry/RegMessageUtils.h"
#include "registry/UserCollator.h"
#include "widgets/KavenIcons.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString NotSavedText = QStringLiteral("Die Änderungen wurden noch nicht gespeichert. Trotzdem weiter?");
const QString NameLabel = QStringLiteral("Schlüsselname:");

QTreeWidgetItem* nodeItem(const QString& name)
{
    auto* item = new QTreeWidgetItem({name});
    item->setIcon(0, KavenIcons::icon(KavenIcons::KeyClosed));
    return item;
}

// Every item in display order, with its level (0 for top items).
void collect(QTreeWidgetItem* item, int level, QList<std::pair<QTreeWidgetItem*, int>>& out)
{
    out.append({item, level});
    for (int i = 0; i < item->childCount(); ++i)
        collect(item->child(i), level + 1, out);
}

} // namespace

TStructurForm::TStructurForm(const QString& directory, const QString& keyPath, QWidget* parent)
    : QDialog(parent), m_directory(directory)
{
    askText = [this](const QString& title, const QString& label, const QString& text) -> std::optional<QString> {
        QInputDialog prompt(this);
        prompt.setWindowTitle(title);
        prompt.setLabelText(label);
        prompt.setTextValue(text);
        prompt.resize(340, prompt.sizeHint().height());
        return prompt.exec() == QDialog::Accepted ? std::optional<QString>(prompt.textValue()) : std::nullopt;
    };
    pickStructure = [this](const QString& dir) {
        TStructurEditForm picker(dir, this);
        return picker.exec() == QDialog::Accepted ? picker.fileName() : QString();
    };
    setObjectName(QStringLiteral("StructurForm"));
    m_tree = new QTreeWidget;
    m_tree->setObjectName(QStringLiteral("StructureTreeView"));
    m_tree->setHeaderHidden(true);
    const std::pair<const char*, const char*> names[] = {{"&Neu", "NewButton"},          {"&Hinzufügen", "AddButton"},
                                                         {"&Bearbeiten", "EditButton"},  {"&Entfernen", "RemoveButton"},
                                                         {"&Laden", "LoadButton"},       {"S&peichern", "SaveButton"},
                                                         {"&Schließen", "CloseButton"}};
    auto* buttons = new QVBoxLayout;
    QList<QPushButton*> all;
    for (const auto& [text, name] : names) {
        auto* b = new QPushButton(QString::fromUtf8(text));
        b->setObjectName(QString::fromLatin1(name));
        buttons->addWidget(b);
        all << b;
        if (all.size() == 4 || all.size() == 6)
            buttons->addSpacing(12);
    }
    buttons->insertStretch(buttons->count() - 1, 1);
    m_new = all[0];
    m_add = all[1];
    m_edit = all[2];
    m_remove = all[3];
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_tree, 1);
    layout->addLayout(buttons);
    resize(460, 400);

    connect(m_new, &QPushButton::clicked, this, &TStructurForm::NewClick);
    connect(m_add, &QPushButton::clicked, this, &TStructurForm::AddClick);
    connect(m_edit, &QPushButton::clicked, this, &TStructurForm::EditClick);
    connect(m_remove, &QPushButton::clicked, this, &TStructurForm::RemoveClick);
    connect(all[4], &QPushButton::clicked, this, &TStructurForm::LoadClick);
    connect(all[5], &QPushButton::clicked, this, &TStructurForm::SaveClick);
    connect(all[6], &QPushButton::clicked, this, &TStructurForm::reject);
    connect(m_tree, &QTreeWidget::itemSelectionChanged, this, &TStructurForm::updateButtons);
    connect(m_tree, &QTreeWidget::itemExpanded, this,
            [](QTreeWidgetItem* item) { item->setIcon(0, KavenIcons::icon(KavenIcons::KeyOpen)); });
    connect(m_tree, &QTreeWidget::itemCollapsed, this,
            [](QTreeWidgetItem* item) { item->setIcon(0, KavenIcons::icon(KavenIcons::KeyClosed)); });

    resetTree();
    setCaption(QString());
    if (!keyPath.isEmpty()) {
        if (showStructure(StructureFile::readKeyStructure(keyPath)))
            selectFirst();
        else
            resetTree();
    }
}

Structure TStructurForm::structure() const
{
    QList<std::pair<QTreeWidgetItem*, int>> items;
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i)
        collect(m_tree->topLevelItem(i), 0, items);
    Structure structure;
    for (qsizetype i = 0; i < items.size(); ++i) {
        const auto [item, level] = items[i];
        if (item == m_tree->currentItem())
            structure.selected = int(i);
        structure.nodes.append({item->text(0), 0, 0, level, item->childCount() > 0, item->isExpanded()});
    }
    return structure;
}

void TStructurForm::resetTree()
{
    m_tree->clear();
    QTreeWidgetItem* root = nodeItem(StructureFile::RootName);
    m_tree->addTopLevelItem(root);
    m_tree->setCurrentItem(root);
    updateButtons();
}

bool TStructurForm::showStructure(const Structure& structure)
{
    m_tree->clear();
    const QList<int> parents = StructureFile::parentIndices(structure.nodes);
    QList<QTreeWidgetItem*> items;
    for (qsizetype i = 0; i < structure.nodes.size(); ++i) {
        QTreeWidgetItem* item = nodeItem(structure.nodes[i].name);
        if (parents[i] < 0)
            m_tree->addTopLevelItem(item);
        else
            items[parents[i]]->addChild(item);
        items.append(item);
    }
    for (qsizetype i = 0; i < items.size(); ++i)
        if (structure.nodes[i].expanded && items[i]->childCount() > 0)
            items[i]->setExpanded(true);
    if (structure.selected < items.size())
        m_tree->setCurrentItem(items[structure.selected]);
    updateButtons();
    return m_tree->topLevelItemCount() == 1;
}

void TStructurForm::selectFirst()
{
    QTreeWidgetItem* first = m_tree->topLevelItem(0);
    m_tree->setCurrentItem(first);
    if (first->childCount() > 0)
        first->setExpanded(true);
}

void TStructurForm::setCaption(const QString& name)
{
    setWindowTitle(QStringLiteral("Strukturmanager - ") + (name.isEmpty() ? QStringLiteral("Unbenannt") : name));
}

void TStructurForm::updateButtons()
{
    QTreeWidgetItem* item = m_tree->currentItem();
    const bool selected = item && item->isSelected();
    m_new->setEnabled(m_tree->topLevelItemCount() > 1 || (m_tree->topLevelItemCount() == 1 &&
                                                           m_tree->topLevelItem(0)->childCount() > 0));
    m_add->setEnabled(selected);
    m_edit->setEnabled(selected && item->parent());
    m_remove->setEnabled(selected && item->parent());
}

bool TStructurForm::mayDiscard() const
{
    return !m_modified || AskYesNo(NotSavedText);
}

bool TStructurForm::acceptableName(const QString& name, const QTreeWidgetItem* parent,
                                   const QTreeWidgetItem* sibling) const
{
    if (name.isEmpty()) {
        ShowError(QStringLiteral("Sie müssen einen Schlüsselnamen angeben."));
        return false;
    }
    // Key names can hold neither a backslash nor more than 255 characters.
    if (name.contains(QLatin1Char('\\'))) {
        ShowError(QStringLiteral("Ungültiges Zeichen \"\\\" im Schlüsselnamen gefunden."));
        return false;
    }
    if (name.size() > MAX_KEY_NAME) {
        ShowError(QStringLiteral("Der Schlüsselname darf höchstens 255 Zeichen lang sein."));
        return false;
    }
    for (int i = 0; i < parent->childCount(); ++i) {
        if (parent->child(i) != sibling && winEqualsNoCase(parent->child(i)->text(0), name)) {
            ShowError(QStringLiteral("Doppelte Schlüsselnamen sind nicht erlaubt."));
            return false;
        }
    }
    return true;
}

void TStructurForm::sortChildren(QTreeWidgetItem* parent)
{
    QList<QTreeWidgetItem*> children = parent->takeChildren();
    const QCollator collator = UserCollator();
    std::stable_sort(children.begin(), children.end(), [&](const QTreeWidgetItem* a, const QTreeWidgetItem* b) {
        return collator.compare(a->text(0), b->text(0)) < 0;
    });
    parent->addChildren(children);
}

void TStructurForm::NewClick()
{
    if (!mayDiscard())
        return;
    resetTree();
    m_file.clear();
    m_modified = false;
    setCaption(QString());
}

void TStructurForm::AddClick()
{
    QTreeWidgetItem* parent = m_tree->currentItem();
    if (!parent)
        return;
    const std::optional<QString> name = askText(QStringLiteral("Hinzufügen"), NameLabel, QString());
    if (!name || !acceptableName(*name, parent, nullptr))
        return;
    QTreeWidgetItem* item = nodeItem(*name);
    parent->addChild(item);
    sortChildren(parent);
    parent->setExpanded(true);
    m_tree->setCurrentItem(item);
    m_modified = true;
    updateButtons();
}

void TStructurForm::EditClick()
{
    QTreeWidgetItem* item = m_tree->currentItem();
    if (!item || !item->parent())
        return;
    const std::optional<QString> name = askText(QStringLiteral("Bearbeiten"), NameLabel, item->text(0));
    if (!name || winEqualsNoCase(*name, item->text(0)) || !acceptableName(*name, item->parent(), item))
        return;
    item->setText(0, *name);
    sortChildren(item->parent());
    m_tree->setCurrentItem(item);
    m_modified = true;
}

void TStructurForm::RemoveClick()
{
    QTreeWidgetItem* item = m_tree->currentItem();
    if (!item || !item->parent() || !AskYesNo(QStringLiteral("Wirklich Schlüsselzweig löschen?")))
        return;
    delete item;
    m_modified = true;
    updateButtons();
}

void TStructurForm::LoadClick()
{
    if (!mayDiscard())
        return;
    const QString file = pickStructure(m_directory);
    if (file.isEmpty())
        return;
    m_file = file;
    m_modified = false;
    const Structure structure = StructureFile::load(file);
    if (structure.nodes.isEmpty()) {
        resetTree();
    } else if (!showStructure(structure)) {
        ShowError(QStringLiteral("Ungültige Struktur."));
        resetTree();
        m_file.clear();
        setCaption(QString());
        return;
    }
    selectFirst();
    setCaption(QFileInfo(file).completeBaseName());
}

void TStructurForm::SaveClick()
{
    const QString current = m_file.isEmpty() ? QString() : QFileInfo(m_file).completeBaseName();
    const std::optional<QString> name =
        askText(QStringLiteral("Struktur speichern"), QStringLiteral("Strukturname:"), current);
    if (!name)
        return;
    if (!StructureFile::isValidName(*name)) {
        ShowError(QStringLiteral("Ungültiger Strukturname."));
        return;
    }
    // The current structure saved under its own name in another case stays one file.
    const bool otherFile = m_file.isEmpty() || !winEqualsNoCase(*name, current);
    const QString file = otherFile ? QDir(m_directory).filePath(*name + StructureFile::Extension) : m_file;
    if (otherFile && QFileInfo::exists(file) && !AskYesNo(QStringLiteral("Datei existiert bereits. Überschreiben?")))
        return;
    if (!StructureFile::save(structure(), file)) {
        ShowError(QStringLiteral("Die Struktur konnte nicht gespeichert werden."));
        return;
    }
    m_file = file;
    m_modified = false;
    setCaption(QFileInfo(file).completeBaseName());
}

void TStructurForm::reject()
{
    if (mayDiscard())
        QDialog::reject();
}
