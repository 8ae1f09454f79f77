#pragma once

// The DWORD value editor "DWord-Wert bearbeiten": the value in a number field whose base the user
// picks (hexadecimal when it opens), and a colour picker that reads and writes the value as a colour.

#include "editors/EditorTexts.h"

#include <QDialog>

#include <array>
#include <functional>
#include <optional>

class QLineEdit;
class QRadioButton;
class QPushButton;
class TCharEdit;

class TDWordForm final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TDWordForm)

public:
    explicit TDWordForm(QWidget* parent = nullptr);

    // name: the value name (empty: the default value); hexText: the value in hexadecimal.
    void setValue(const QString& name, const QString& hexText);
    // The 32-bit value read from the field in its current base.
    [[nodiscard]] quint32 value() const;

    // The colour dialog (full, any colour); nothing when cancelled. Tests replace it.
    std::function<std::optional<RgbColor>(const RgbColor& start)> pickColor;

    [[nodiscard]] TCharEdit* valueEdit() const { return m_edit; }
    [[nodiscard]] QRadioButton* baseButton(CharType type) const { return m_bases[size_t(type)]; }
    [[nodiscard]] QPushButton* colorButton() const { return m_colorButton; }

private:
    void colorClick();

    QLineEdit* m_name = nullptr;
    TCharEdit* m_edit = nullptr;
    std::array<QRadioButton*, 4> m_bases{};
    QPushButton* m_colorButton = nullptr;
};
