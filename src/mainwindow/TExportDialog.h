#pragma once

// The registry-file save dialog with its "Exportoptionen": export every selected root key ("Alle
// Zweige") or the branch named in the path field ("Aktueller Zweig"), as REGEDIT4 (the default) or in
// version 5.

#include "regfile/RegFileFormat.h"
#include "widgets/TExtFileDialog.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;

class TExportDialog final : public TExtFileDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TExportDialog)

public:
    explicit TExportDialog(QWidget* parent = nullptr);

    // The same dialog for the snapshot: title "Analysedatei sichern ...", files "*.rec", no format.
    void setAnalysisFile();

    void setCurrentBranch(bool currentBranch);
    [[nodiscard]] bool currentBranch() const;
    void setBranchPath(const QString& path);
    [[nodiscard]] QString branchPath() const;
    void setFormat(RegFileFormat format);
    [[nodiscard]] RegFileFormat format() const;

public slots:
    // A file of the open store is refused; the dialog stays open.
    void accept() override;

private:
    QRadioButton* m_allBranches = nullptr;
    QRadioButton* m_currentBranch = nullptr;
    QLineEdit* m_branchPath = nullptr;
    QLabel* m_formatLabel = nullptr;
    QComboBox* m_format = nullptr;
};
