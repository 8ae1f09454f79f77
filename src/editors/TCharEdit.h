#pragma once

// A number field in one of four bases (CharType 0 hexadecimal, 1 decimal, 2 octal, 3 binary). It
// takes only the digits of its base and the editing keys Backspace, Enter, Home, End, Left, Right and
// Delete; every other key is swallowed. Changing the base converts the shown number.

#include "editors/EditorTexts.h"

#include <QLineEdit>

class TCharEdit final : public QLineEdit {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TCharEdit)

public:
    explicit TCharEdit(QWidget* parent = nullptr);

    [[nodiscard]] CharType charType() const { return m_type; }
    // Reads the text in the old base and writes it in the new one.
    void setCharType(CharType type);
    [[nodiscard]] quint32 value() const { return ReadNumber(text(), m_type); }
    void setValue(quint32 value) { setText(WriteNumber(value, m_type)); }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    CharType m_type = CharType::Hex;
};
