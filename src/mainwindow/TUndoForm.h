#pragma once

// The undo selection dialog "Rückgängig - Auswahl": one entry per group of the undo list, oldest at the
// top, each three markup lines high. The selection always reaches down to the newest group; after OK
// the caller takes back undoCount() groups. "Rückgängig - Liste &leeren" empties the undo list.

#include <QDialog>

class QListWidget;
class QPushButton;
class TUndoList;

class TUndoForm final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TUndoForm)

public:
    explicit TUndoForm(TUndoList& undo, QWidget* parent = nullptr);

    // Selected entries counted from the newest upwards, up to the first one not selected.
    [[nodiscard]] int undoCount() const;
    // Selects every entry from the first selected one down to the newest.
    void extendSelection();

    [[nodiscard]] QListWidget* list() const { return m_list; }
    [[nodiscard]] QPushButton* undoButton() const { return m_undoButton; }
    [[nodiscard]] QPushButton* clearButton() const { return m_clearButton; }

    void ClearClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fill();
    void updateButtons();

    TUndoList& m_undo;
    QListWidget* m_list = nullptr;
    QPushButton* m_undoButton = nullptr;
    QPushButton* m_clearButton = nullptr;
};
