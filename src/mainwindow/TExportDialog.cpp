#include "mainwindow/TExportDialog.h"

#include "app/QtMessageSink.h"
#include "app/StoreFileGuard.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>

TExportDialog::TExportDialog(QWidget* parent) : QFileDialog(parent)
{
    // Qt's own dialog (it carries the extra controls), made safe for the store like every file dialog.
    QtMessageSink::secure(*this);
    setWindowTitle(QStringLiteral("Registrierungsdatei sichern ..."));
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    setNameFilter(QStringLiteral("Registrierungsdatei (*.reg)"));
    setDefaultSuffix(QStringLiteral("reg"));

    auto* group = new QGroupBox(QStringLiteral("Exportoptionen"), this);
    m_allBranches = new QRadioButton(QStringLiteral("Alle Zweige"), group);
    m_currentBranch = new QRadioButton(QStringLiteral("Aktueller Zweig"), group);
    m_branchPath = new QLineEdit(group);
    m_branchPath->setObjectName(QStringLiteral("BranchPathEdit"));
    m_allBranches->setChecked(true);
    auto* row = new QHBoxLayout(group);
    row->addWidget(m_allBranches);
    row->addWidget(m_currentBranch);
    row->addWidget(m_branchPath, 1);

    // Below the standard controls, across the dialog's full width.
    if (auto* grid = qobject_cast<QGridLayout*>(layout()))
        grid->addWidget(group, grid->rowCount(), 0, 1, grid->columnCount());
    resize(820, 520);
}

void TExportDialog::setAnalysisFile()
{
    setWindowTitle(QStringLiteral("Analysedatei sichern ..."));
    setNameFilter(QStringLiteral("Analysedatei (*.rec)"));
    setDefaultSuffix(QStringLiteral("rec"));
}

void TExportDialog::accept()
{
    const QStringList files = selectedFiles();
    if (!files.isEmpty() && RefuseStoreFile(files.constFirst()))
        return;
    QFileDialog::accept();
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
