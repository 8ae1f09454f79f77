#pragma once

// A whole-number field with arrows: range, arrow keys, Page Up/Down (ten steps), wheel. Typing a number
// beyond the range is refused keystroke by keystroke. Optionally an emptied field is at once replaced by
// the minimum, selected, so that the field never holds a value the owner cannot keep and the next digit
// typed replaces it.

#include <QSpinBox>

class TSpinEdit final : public QSpinBox {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TSpinEdit)

public:
    explicit TSpinEdit(QWidget* parent = nullptr);

    void setEmptyBecomesMinimum(bool on) { m_emptyBecomesMinimum = on; }
    [[nodiscard]] bool emptyBecomesMinimum() const { return m_emptyBecomesMinimum; }
    // The text field inside, for keyboard input.
    [[nodiscard]] QLineEdit* editor() const { return lineEdit(); }

private:
    void textEdited(const QString& text);

    bool m_emptyBecomesMinimum = false;
};
