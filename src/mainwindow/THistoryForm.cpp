#include "mainwindow/THistoryForm.h"

#include "mainwindow/NavigationHistory.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

THistoryForm::THistoryForm(const QStringList& entries, const QString& caption, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("HistoryForm"));
    setWindowTitle(caption);
    m_list = new QListWidget;
    m_list->setObjectName(QStringLiteral("HistoryListBox"));
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->addItems(entries);

    m_removeButton = new QPushButton(QStringLiteral("Schlüssel &entfernen"));
    m_removeButton->setObjectName(QStringLiteral("RemoveKeysButton"));
    auto* duplicates = new QPushButton(QStringLiteral("&Doppelte Schlüssel entfernen"));
    duplicates->setObjectName(QStringLiteral("RemoveDuplicatesButton"));
    auto* ok = new QPushButton(QStringLiteral("&Ok"));
    ok->setObjectName(QStringLiteral("OkButton"));
    ok->setDefault(true);
    auto* close = new QPushButton(QStringLiteral("&Schließen"));
    close->setObjectName(QStringLiteral("CloseButton"));

    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {m_removeButton, duplicates})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(close);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);
    resize(560, 360);

    connect(m_removeButton, &QPushButton::clicked, this, &THistoryForm::RemoveKeysClick);
    connect(duplicates, &QPushButton::clicked, this, &THistoryForm::RemoveDuplicatesClick);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_list, &QListWidget::itemSelectionChanged, this, &THistoryForm::updateButtons);
    updateButtons();
}

QStringList THistoryForm::entries() const
{
    QStringList result;
    for (int i = 0; i < m_list->count(); ++i)
        result << m_list->item(i)->text();
    return result;
}

void THistoryForm::RemoveKeysClick()
{
    for (QListWidgetItem* item : m_list->selectedItems())
        delete item;
    updateButtons();
}

void THistoryForm::RemoveDuplicatesClick()
{
    const QStringList kept = RemoveDuplicateEntries(entries());
    m_list->clear();
    m_list->addItems(kept);
    updateButtons();
}

void THistoryForm::updateButtons()
{
    m_removeButton->setEnabled(!m_list->selectedItems().isEmpty());
}
