#include "annotations/TAliasEditForm.h"

#include "annotations/AliasFile.h"
#include "registry/RegMessageUtils.h"
#include "widgets/DialogButtons.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TAliasEditForm::TAliasEditForm(const QString& keyPath, const QString& alias, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AliasEditForm"));
    setWindowTitle(QStringLiteral("Aliasnamen vergeben"));
    m_key = new QLineEdit(keyPath);
    m_key->setObjectName(QStringLiteral("KeyEdit"));
    m_key->setMinimumWidth(420);
    m_alias = new QLineEdit(alias);
    m_alias->setObjectName(QStringLiteral("AliasEdit"));
    m_alias->setMaxLength(255);
    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("Schlüssel:"), m_key);
    fields->addRow(QStringLiteral("Alias:"), m_alias);
    QDialogButtonBox* buttons = OkCancelButtons(this);
    m_ok = buttons->findChild<QPushButton*>(QStringLiteral("okButton"));
    m_ok->setText(QStringLiteral("&OK"));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addStretch(1);
    layout->addWidget(buttons);

    connect(m_key, &QLineEdit::textChanged, this, &TAliasEditForm::updateOk);
    connect(m_alias, &QLineEdit::textChanged, this, &TAliasEditForm::updateOk);
    updateOk();
    m_alias->setFocus();
}

QString TAliasEditForm::keyPath() const
{
    return m_key->text();
}

QString TAliasEditForm::alias() const
{
    return m_alias->text();
}

void TAliasEditForm::accept()
{
    if (m_alias->text().contains(QLatin1Char('\\'))) {
        ShowError(AliasFile::BackslashText);
        return;
    }
    QDialog::accept();
}

void TAliasEditForm::updateOk()
{
    m_ok->setEnabled(!m_key->text().isEmpty() && (!m_alias->isEnabled() || !m_alias->text().isEmpty()));
}
