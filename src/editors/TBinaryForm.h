#pragma once

// The binary value editor "Binärwert bearbeiten": the value's bytes in a hex box of 8 bytes per line
// with a 4-digit counter, a code table for typing codes and the import of a small file.

#include <QDialog>

#include <functional>

class QLineEdit;
class QToolButton;
class TCharTable;
class THexBox;

class TBinaryForm final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TBinaryForm)

public:
    explicit TBinaryForm(QWidget* parent = nullptr);

    void setValue(const QString& name, const QByteArray& data);
    [[nodiscard]] QByteArray Text() const;

    [[nodiscard]] THexBox* hexBox() const { return m_hex; }
    [[nodiscard]] QToolButton* charTableButton() const { return m_table; }
    [[nodiscard]] QToolButton* importButton() const { return m_import; }
    // The open code table, or null.
    [[nodiscard]] TCharTable* charTable() const { return m_popup; }

    void CharTableClick();
    void ImportClick();

private:
    QLineEdit* m_name = nullptr;
    THexBox* m_hex = nullptr;
    QToolButton* m_table = nullptr;
    QToolButton* m_import = nullptr;
    TCharTable* m_popup = nullptr;
};
