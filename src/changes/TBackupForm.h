#pragma once

// The dialog "Änderungen rückgängig": the undo's options, asked anew each time (confirmation checked,
// warnings and the dry run not). Checking the dry run disables the other two boxes.

#include <QDialog>

class QCheckBox;

class TBackupForm final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TBackupForm)

public:
    explicit TBackupForm(QWidget* parent = nullptr);

    // UndoFlags of the checked boxes that are enabled.
    [[nodiscard]] int undoFlags() const;

private:
    QCheckBox* m_confirm = nullptr;
    QCheckBox* m_warnings = nullptr;
    QCheckBox* m_checkOnly = nullptr;
};
