#pragma once

// The note editor: date, key path, priority and text of one key note. "&Ok" is enabled only while the
// key and the text are both filled in.

#include <QDialog>

class QComboBox;
class QDateEdit;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
struct KeyNote;

class TMemoEditForm final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TMemoEditForm)

public:
    // caption: "Schlüsselnotiz hinzufügen" or "Schlüsselnotiz bearbeiten".
    TMemoEditForm(const QString& caption, const KeyNote& note, QWidget* parent = nullptr);

    // The edited note: the date as "dd.mm.yyyy", the priority bit, the text with CR LF line ends; the
    // done bit is kept from the note given.
    [[nodiscard]] KeyNote note() const;

    [[nodiscard]] QDateEdit* dateEdit() const { return m_date; }
    [[nodiscard]] QLineEdit* keyEdit() const { return m_key; }
    [[nodiscard]] QComboBox* priorityBox() const { return m_priority; }
    [[nodiscard]] QPlainTextEdit* textEdit() const { return m_text; }
    [[nodiscard]] QPushButton* okButton() const { return m_ok; }

private:
    void updateOk();

    QDateEdit* m_date = nullptr;
    QLineEdit* m_key = nullptr;
    QComboBox* m_priority = nullptr;
    QPlainTextEdit* m_text = nullptr;
    QPushButton* m_ok = nullptr;
    quint32 m_doneBit = 0;
};
