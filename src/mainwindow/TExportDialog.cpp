#include "mainwindow/TExportDialog.h"

#include "app/QtMessageSink.h"
#include "app/StoreFileGuard.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

TExportDialog::TExportDialog(QWidget* parent) : TExtFileDialog(parent)
{
    // Made safe for the store like every file dialog.
    QtMessageSink::secure(*this);
    setWindowTitle(QStringLiteral("Registrierungsdatei sichern ..."));
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    setNameFilter(QStringLiteral("Registrierungsdatei (*.reg)"));
    setDefaultSuffix(QStringLiteral("reg"));

    auto* group = new QGroupBox(QStringLiteral("Exportoptionen"));
    m_allBranches = new QRadioButton(QStringLiteral("Alle Zweige"), group);
    m_currentBranch = new QRadioButton(QStringLiteral("Aktueller Zweig"), group);
    m_branchPath = new QLineEdit(group);
    m_branchPath->setObjectName(QStringLiteral("BranchPathEdit"));
    m_allBranches->setChecked(true);
    m_formatLabel = new QLabel(QStringLiteral("&Format:"), group);
    m_format = new QComboBox(group);
    m_format->setObjectName(QStringLiteral("FormatComboBox"));
    m_format->addItem(QStringLiteral("REGEDIT4"), int(RegFileFormat::Regedit4));
    m_format->addItem(QStringLiteral("Version 5 (Unicode)"), int(RegFileFormat::Version5));
    m_formatLabel->setBuddy(m_format);
    auto* rows = new QGridLayout(group);
    rows->addWidget(m_allBranches, 0, 0);
    rows->addWidget(m_currentBranch, 0, 1);
    rows->addWidget(m_branchPath, 0, 2);
    rows->addWidget(m_formatLabel, 1, 0);
    rows->addWidget(m_format, 1, 1);
    rows->setColumnStretch(2, 1);
    setExtraControls(group);
    resize(820, 520);
}

void TExportDialog::setAnalysisFile()
{
    setWindowTitle(QStringLiteral("Analysedatei sichern ..."));
    setNameFilter(QStringLiteral("Analysedatei (*.rec)"));
    setDefaultSuffix(QStringLiteral("rec"));
    m_formatLabel->hide();
    m_format->hide();
}

void TExportDialog::accept()
{
    const QStringList files = selectedFiles();
    if (!files.isEmpty() && RefuseStoreFile(files.constFirst()))
        return;
    TExtFileDialog::accept();
}

void TExportDialog::setCurrentBranch(bool currentBranch)
{
    (currentBranch ? m_currentBranch : m_allBranches)->setChecked(true);
}

bool TExportDialog::currentBranch() const
{
    return !m_allBranches->isChecked();
}

void TExportDialog::setBranchPath(const QString& path)
{
    m_branchPath->setText(path);
}

QString TExportDialog::branchPath() const
{
    return m_branchPath->text();
}

void TExportDialog::setFormat(RegFileFormat format)
{
    m_format->setCurrentIndex(m_format->findData(int(format)));
}

RegFileFormat TExportDialog::format() const
{
    return RegFileFormat(m_format->currentData().toInt());
}
