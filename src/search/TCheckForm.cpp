#include "search/TCheckForm.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

TCheckForm::TCheckForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CheckForm"));
    setWindowTitle(QStringLiteral("Prüfung"));
    auto* label = new QLabel(QStringLiteral("Prüfaktion:"));
    m_actions = new QListWidget;
    m_actions->setObjectName(QStringLiteral("actionListWidget"));
    m_actions->addItem(QStringLiteral("Lokale Pfade auf Gültigkeit prüfen"));
    label->setBuddy(m_actions);

    auto* buttons = new QDialogButtonBox;
    m_ok = buttons->addButton(QStringLiteral("&Ok"), QDialogButtonBox::AcceptRole);
    m_ok->setObjectName(QStringLiteral("okButton"));
    m_ok->setDefault(true);
    buttons->addButton(QStringLiteral("&Abbruch"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("cancelButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (checkPathsChosen())
            accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_actions, &QListWidget::itemSelectionChanged, this,
            [this] { m_ok->setEnabled(checkPathsChosen()); });
    connect(m_actions, &QListWidget::itemDoubleClicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_actions);
    layout->addWidget(buttons);
    m_ok->setEnabled(false);
    resize(360, 220);
}

bool TCheckForm::checkPathsChosen() const
{
    return !m_actions->selectedItems().isEmpty();
}
