#pragma once

// The notes manager "Schlüsselnotizen": every key note in a list sorted by date, the done mark as the
// row's check box and the priority as its icon, the selected note's text in a markup preview. "&Ok"
// writes the whole list to memo.dat and settles the "MemoWarn" and "MemoFormat" options; "&Abbruch"
// writes nothing.

#include "annotations/NoteFile.h"

#include <QDialog>

#include <functional>
#include <optional>

class QCheckBox;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class TMultiText;

class TMemoForm final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TMemoForm)

public:
    // currentKeyPath: the main window's current key (empty when none is selected).
    TMemoForm(const QString& fileName, const QString& currentKeyPath, QWidget* parent = nullptr);

    // Runs the note editor; true on "&Ok". Tests fill the editor here instead of showing it.
    std::function<bool(QDialog& editor)> runEditor;

    [[nodiscard]] QList<KeyNote> notes() const;
    [[nodiscard]] QTreeWidget* list() const { return m_list; }
    [[nodiscard]] TMultiText* preview() const { return m_preview; }
    [[nodiscard]] QCheckBox* formatBox() const { return m_format; }

public slots:
    void AddCurrentKeyClick();
    void EditClick();
    void RemoveClick();
    void accept() override;

private:
    void setNotes(QList<KeyNote> notes, const QString& selectKey);
    QTreeWidgetItem* addRow(const KeyNote& note);
    void showText();
    void updateButtons();
    // Opens the editor; the edited note, or none on cancel.
    [[nodiscard]] std::optional<KeyNote> edit(const QString& caption, const KeyNote& note);

    QString m_fileName;
    QString m_currentKeyPath;
    QTreeWidget* m_list = nullptr;
    TMultiText* m_preview = nullptr;
    QCheckBox* m_format = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_edit = nullptr;
    QPushButton* m_remove = nullptr;
};
