#include "changes/TBackupForm.h"

#include "changes/UndoChanges.h"
#include "widgets/DialogButtons.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>

TBackupForm::TBackupForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("BackupForm"));
    setWindowTitle(QStringLiteral("Änderungen rückgängig"));
    auto* options = new QGroupBox(QStringLiteral("Optionen"));
    options->setObjectName(QStringLiteral("optionsGroup"));
    auto* boxes = new QVBoxLayout(options);
    m_confirm = new QCheckBox(QStringLiteral("&Bestätigung aller Registrierungseingriffe"));
    m_confirm->setObjectName(QStringLiteral("confirmCheckBox"));
    m_confirm->setChecked(true);
    m_warnings = new QCheckBox(QStringLiteral("&Warnungen anzeigen"));
    m_warnings->setObjectName(QStringLiteral("warningsCheckBox"));
    m_checkOnly = new QCheckBox(QStringLiteral("Nur &Gültigkeit prüfen"));
    m_checkOnly->setObjectName(QStringLiteral("checkOnlyCheckBox"));
    boxes->addWidget(m_confirm);
    boxes->addWidget(m_warnings);
    boxes->addWidget(m_checkOnly);
    connect(m_checkOnly, &QCheckBox::toggled, this, [this](bool on) {
        m_confirm->setEnabled(!on);
        m_warnings->setEnabled(!on);
    });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(options);
    layout->addWidget(OkCancelButtons(this));
}

int TBackupForm::undoFlags() const
{
    int flags = 0;
    for (const auto& [box, bit] : {std::pair{m_confirm, UndoFlags::Confirm}, std::pair{m_warnings, UndoFlags::Warnings},
                                   std::pair{m_checkOnly, UndoFlags::CheckOnly}}) {
        if (box->isEnabled() && box->isChecked())
            flags |= bit;
    }
    return flags;
}
