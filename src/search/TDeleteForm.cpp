#include "search/TDeleteForm.h"

#include "search/ResultRun.h"
#include "widgets/DialogButtons.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>

TDeleteForm::TDeleteForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("DeleteForm"));
    setWindowTitle(QStringLiteral("Löschen"));
    auto* options = new QGroupBox(QStringLiteral("Optionen"));
    auto* boxes = new QVBoxLayout(options);
    m_confirm = new QCheckBox(QStringLiteral("&Bestätigung aller Registrierungseingriffe"));
    m_confirm->setObjectName(QStringLiteral("confirmCheckBox"));
    m_confirm->setChecked(true);
    m_warnings = new QCheckBox(QStringLiteral("&Warnungen anzeigen"));
    m_warnings->setObjectName(QStringLiteral("warningsCheckBox"));
    boxes->addWidget(m_confirm);
    boxes->addWidget(m_warnings);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(options);
    layout->addWidget(OkCancelButtons(this));
}

DWORD TDeleteForm::runFlags() const
{
    return (m_confirm->isChecked() ? RunFlags::Confirm : 0) | (m_warnings->isChecked() ? RunFlags::Warnings : 0);
}
