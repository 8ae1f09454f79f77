#include "annotations/TToolForm.h"

#include "annotations/TToolEditForm.h"
#include "widgets/DialogButtons.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

TToolForm::TToolForm(const QList<ExternalTool>& tools, QWidget* parent) : QDialog(parent), m_tools(tools)
{
    runEditor = [](QDialog& editor) { return editor.exec() == QDialog::Accepted; };
    setObjectName(QStringLiteral("ToolForm"));
    setWindowTitle(QStringLiteral("Tools konfigurieren"));
    m_list = new QListWidget;
    m_list->setObjectName(QStringLiteral("ToolListBox"));
    auto* add = new QPushButton(QStringLiteral("Tool &hinzufügen"));
    add->setObjectName(QStringLiteral("AddButton"));
    m_edit = new QPushButton(QStringLiteral("Tool &bearbeiten"));
    m_edit->setObjectName(QStringLiteral("EditButton"));
    m_remove = new QPushButton(QStringLiteral("Tool &entfernen"));
    m_remove->setObjectName(QStringLiteral("RemoveButton"));
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {add, m_edit, m_remove})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(CloseButtons(this));
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);
    resize(460, 300);

    connect(add, &QPushButton::clicked, this, &TToolForm::AddClick);
    connect(m_edit, &QPushButton::clicked, this, &TToolForm::EditClick);
    connect(m_remove, &QPushButton::clicked, this, &TToolForm::RemoveClick);
    connect(m_list, &QListWidget::itemSelectionChanged, this, &TToolForm::updateButtons);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &TToolForm::EditClick);
    showTools(-1);
}

void TToolForm::showTools(int select)
{
    m_list->clear();
    for (const ExternalTool& tool : m_tools)
        m_list->addItem(tool.name);
    if (select >= 0 && select < m_list->count())
        m_list->setCurrentRow(select);
    updateButtons();
}

void TToolForm::updateButtons()
{
    const bool selected = !m_list->selectedItems().isEmpty();
    m_edit->setEnabled(selected);
    m_remove->setEnabled(selected);
}

void TToolForm::AddClick()
{
    TToolEditForm editor({}, this);
    if (!runEditor(editor))
        return;
    m_tools.append(editor.tool());
    showTools(int(m_tools.size()) - 1);
}

void TToolForm::EditClick()
{
    const int row = m_list->currentRow();
    if (row < 0 || m_list->selectedItems().isEmpty())
        return;
    TToolEditForm editor(m_tools[row], this);
    if (!runEditor(editor))
        return;
    m_tools[row] = editor.tool();
    showTools(row);
}

void TToolForm::RemoveClick()
{
    const int row = m_list->currentRow();
    if (row < 0 || m_list->selectedItems().isEmpty())
        return;
    m_tools.removeAt(row);
    showTools(-1);
}
