#pragma once

// Name/value rows: the name column is fixed, the value is edited in place (double click, F2 or typing),
// and a row may carry a "..." button at its right end that the owner answers, e.g. with a file dialog.
// Ctrl+Enter presses the button of the current row. Tab leaves the grid instead of walking its cells.

#include <QTableWidget>

class QToolButton;

class TPropertyGrid final : public QTableWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TPropertyGrid)

public:
    explicit TPropertyGrid(QWidget* parent = nullptr);

    // Appends a row and returns its number.
    int addRow(const QString& name, const QString& value, bool withButton);
    [[nodiscard]] QString value(int row) const;
    // Sets the value without reporting it as an edit.
    void setValue(int row, const QString& value);
    // The row's button, or null for a row without one.
    [[nodiscard]] QToolButton* rowButton(int row) const;

signals:
    void buttonClicked(int row);
    // An in-place edit changed the value.
    void valueEdited(int row, const QString& value);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void itemEdited(QTableWidgetItem* item);

    bool m_quiet = false; // values set by the program are no edits
};
