#pragma once

// The file dialog with room for the caller's own controls below the file list and the name and type
// fields, across the dialog's full width; they follow the standard controls in the tab order.

#include <QFileDialog>

class TExtFileDialog : public QFileDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TExtFileDialog)

public:
    explicit TExtFileDialog(QWidget* parent = nullptr);

    // The dialog owns the controls from now on.
    void setExtraControls(QWidget* controls);
    [[nodiscard]] QWidget* extraControls() const { return m_extra; }

private:
    QWidget* m_extra = nullptr;
};
