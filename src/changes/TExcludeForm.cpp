#include "changes/TExcludeForm.h"

#include "changes/ExclusionList.h"
#include "registry/RegMessageUtils.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

TExcludeForm::TExcludeForm(const QString& fileName, const QString& currentKey, const QStringList& markedKeys,
                           QWidget* parent)
    : QDialog(parent), m_fileName(fileName), m_currentKey(currentKey), m_markedKeys(markedKeys),
      m_lines(LoadExclusionList(fileName))
{
    setObjectName(QStringLiteral("ExcludeForm"));
    setWindowTitle(QStringLiteral("Schlüssel ausschließen"));

    m_list = new QTreeWidget;
    m_list->setObjectName(QStringLiteral("ExcludeListView"));
    m_list->setColumnCount(3);
    m_list->setHeaderLabels({QString(), QString(), QStringLiteral("Schlüssel")});
    m_list->headerItem()->setToolTip(0, QStringLiteral("Schlüssel ausschließen"));
    m_list->headerItem()->setToolTip(1, QStringLiteral("Unterschlüssel ausschließen"));
    m_list->setRootIsDecorated(false);
    m_list->setAllColumnsShowFocus(true);
    m_list->setColumnWidth(0, 28);
    m_list->setColumnWidth(1, 28);
    m_list->header()->setSectionResizeMode(0, QHeaderView::Fixed);
    m_list->header()->setSectionResizeMode(1, QHeaderView::Fixed);
    m_list->header()->setStretchLastSection(true);

    m_keyChoice = new QRadioButton(QStringLiteral("Aktueller &Schlüssel"));
    m_keyChoice->setObjectName(QStringLiteral("CurrentKeyRadioButton"));
    m_selectionChoice = new QRadioButton(QStringLiteral("A&ktuelle Auswahl \"Änderungen\""));
    m_selectionChoice->setObjectName(QStringLiteral("SelectionRadioButton"));
    (markedKeys.isEmpty() ? m_keyChoice : m_selectionChoice)->setChecked(true);

    m_add = new QPushButton(QStringLiteral("&Hinzufügen"));
    m_add->setObjectName(QStringLiteral("AddButton"));
    m_remove = new QPushButton(QStringLiteral("&Entfernen"));
    m_remove->setObjectName(QStringLiteral("RemoveButton"));
    auto* buttons = new QDialogButtonBox;
    QPushButton* ok = buttons->addButton(QStringLiteral("&Ok"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("OkButton"));
    QPushButton* cancel = buttons->addButton(QStringLiteral("&Abbruch"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("CancelButton"));

    auto* addRow = new QHBoxLayout;
    auto* choices = new QVBoxLayout;
    choices->addWidget(m_keyChoice);
    choices->addWidget(m_selectionChoice);
    addRow->addLayout(choices, 1);
    addRow->addWidget(m_add);
    addRow->addWidget(m_remove);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addLayout(addRow);
    layout->addWidget(buttons);
    resize(560, 360);

    showLines(-1);
    connect(m_list, &QTreeWidget::itemChanged, this, &TExcludeForm::onItemChanged);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, &TExcludeForm::updateButtons);
    connect(m_keyChoice, &QRadioButton::toggled, this, &TExcludeForm::updateButtons);
    connect(m_add, &QPushButton::clicked, this, &TExcludeForm::AddClick);
    connect(m_remove, &QPushButton::clicked, this, &TExcludeForm::RemoveClick);
    connect(buttons, &QDialogButtonBox::accepted, this, &TExcludeForm::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TExcludeForm::reject);
    updateButtons();
}

void TExcludeForm::showLines(int selectRow)
{
    m_filling = true;
    m_list->clear();
    for (const QString& line : std::as_const(m_lines)) {
        auto* item = new QTreeWidgetItem(m_list);
        const int flags = ExclusionFlagsOf(line);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(0, (flags & ExclusionFlags::Active) ? Qt::Checked : Qt::Unchecked);
        item->setCheckState(1, (flags & ExclusionFlags::SubKeys) ? Qt::Checked : Qt::Unchecked);
        item->setText(2, ExclusionPathOf(line));
    }
    m_filling = false;
    if (QTreeWidgetItem* item = m_list->topLevelItem(selectRow)) {
        m_list->setCurrentItem(item);
        m_list->scrollToItem(item);
    }
    updateButtons();
}

// A click on a check mark rewrites the line's digit.
void TExcludeForm::onItemChanged(QTreeWidgetItem* item, int column)
{
    if (m_filling || column > 1)
        return;
    const int row = m_list->indexOfTopLevelItem(item);
    const int flag = column == 0 ? ExclusionFlags::Active : ExclusionFlags::SubKeys;
    const bool checked = item->checkState(column) == Qt::Checked;
    if (row >= 0 && bool(ExclusionFlagsOf(m_lines.at(row)) & flag) != checked)
        ToggleExclusionFlag(m_lines, row, flag);
}

void TExcludeForm::updateButtons()
{
    m_add->setEnabled(m_keyChoice->isChecked() ? !m_currentKey.isEmpty() : !m_markedKeys.isEmpty());
    m_remove->setEnabled(!m_list->selectedItems().isEmpty());
}

void TExcludeForm::AddClick()
{
    if (m_keyChoice->isChecked()) {
        const int added = AddExclusionKey(m_lines, m_currentKey);
        if (added < 0) {
            ShowInfo(QStringLiteral("Schlüssel bereits vorhanden"));
            return;
        }
        showLines(added);
        return;
    }
    const int last = AddExclusionKeys(m_lines, m_markedKeys);
    showLines(last);
}

void TExcludeForm::RemoveClick()
{
    const int row = m_list->indexOfTopLevelItem(m_list->currentItem());
    if (row < 0 || m_list->selectedItems().isEmpty())
        return;
    m_lines.removeAt(row);
    showLines(qMin(row, int(m_lines.size()) - 1));
}

void TExcludeForm::accept()
{
    (void)SaveExclusionList(m_fileName, m_lines); // a list that may not be written is left as it was
    QDialog::accept();
}
