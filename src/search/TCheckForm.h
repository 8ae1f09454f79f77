#pragma once

// The dialog "Prüfung": the check action to run on the search results. "&Ok" is enabled while an
// action is selected.

#include <QDialog>

class QListWidget;
class QPushButton;

class TCheckForm final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TCheckForm)

public:
    explicit TCheckForm(QWidget* parent = nullptr);

    [[nodiscard]] QListWidget* actionList() const { return m_actions; }
    [[nodiscard]] QPushButton* okButton() const { return m_ok; }
    // "Lokale Pfade auf Gültigkeit prüfen" is selected.
    [[nodiscard]] bool checkPathsChosen() const;

private:
    QListWidget* m_actions = nullptr;
    QPushButton* m_ok = nullptr;
};
