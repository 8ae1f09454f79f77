#pragma once

// The string value editor "Zeichenfolge bearbeiten": the text, and tool buttons that replace it with a
// folder, a file, a colour ("r g b") or an icon location ("file,index").

#include "editors/EditorTexts.h"

#include <QDialog>
#include <QPair>

#include <functional>
#include <optional>

class QIcon;
class QLineEdit;
class QPlainTextEdit;
class QToolButton;

class TStringForm final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TStringForm)

public:
    explicit TStringForm(QWidget* parent = nullptr);

    void setValue(const QString& name, const QString& text);
    [[nodiscard]] QString text() const;

    // The dialogs the buttons open; empty or nothing when cancelled. Tests replace them.
    std::function<QString()> pickFolder;
    std::function<QString()> pickFile;
    std::function<std::optional<RgbColor>(const RgbColor& start)> pickColor;
    // Icon dialog: file (empty: the system's icon library) and index in; the chosen location out.
    std::function<std::optional<QPair<QString, int>>(const QString& file, int index)> pickIcon;

    // Several lines high and wrapping, so that long texts can be read; Enter closes with OK.
    [[nodiscard]] QPlainTextEdit* valueEdit() const { return m_edit; }
    [[nodiscard]] QToolButton* pathButton() const { return m_path; }
    [[nodiscard]] QToolButton* fileButton() const { return m_file; }
    [[nodiscard]] QToolButton* colorButton() const { return m_color; }
    [[nodiscard]] QToolButton* iconButton() const { return m_icon; }

    void PathClick();
    void FileClick();
    void ColorClick();
    void IconClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* m_name = nullptr;
    QPlainTextEdit* m_edit = nullptr;
    QToolButton* m_path = nullptr;
    QToolButton* m_file = nullptr;
    QToolButton* m_color = nullptr;
    QToolButton* m_icon = nullptr;
};
