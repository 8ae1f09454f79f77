#pragma once

// The tool editor "Tools-Eigenschaften": name, program path and parameters of one external tool. "&Ok"
// needs a name and a path; "&Durchsuchen" picks the program file.

#include "annotations/ToolsFile.h"

#include <QDialog>

class QLineEdit;
class QPushButton;

class TToolEditForm final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TToolEditForm)

public:
    explicit TToolEditForm(const ExternalTool& tool, QWidget* parent = nullptr);

    [[nodiscard]] ExternalTool tool() const;
    [[nodiscard]] QLineEdit* nameEdit() const { return m_name; }
    [[nodiscard]] QLineEdit* pathEdit() const { return m_path; }
    [[nodiscard]] QLineEdit* parametersEdit() const { return m_parameters; }
    [[nodiscard]] QPushButton* okButton() const { return m_ok; }

public slots:
    void BrowseClick();

private:
    void updateOk();

    QLineEdit* m_name = nullptr;
    QLineEdit* m_path = nullptr;
    QLineEdit* m_parameters = nullptr;
    QPushButton* m_ok = nullptr;
};
