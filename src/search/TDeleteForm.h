#pragma once

// The dialog "Löschen" of delete from search results: the run's options, asked anew each time
// (confirmation checked, warnings not).

#include "platform/WinTypes.h"

#include <QDialog>

class QCheckBox;

class TDeleteForm final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TDeleteForm)

public:
    explicit TDeleteForm(QWidget* parent = nullptr);

    // RunFlags of the checked boxes.
    [[nodiscard]] DWORD runFlags() const;

private:
    QCheckBox* m_confirm = nullptr;
    QCheckBox* m_warnings = nullptr;
};
