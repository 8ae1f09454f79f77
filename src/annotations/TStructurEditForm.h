#pragma once

// The structure picker "Struktur laden": the structures of the structure directory in a drop-down
// list. Delete in the list removes the chosen structure's file after asking.

#include <QDialog>

class QComboBox;
class QPushButton;

class TStructurEditForm final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TStructurEditForm)

public:
    explicit TStructurEditForm(const QString& directory, QWidget* parent = nullptr);

    // The chosen structure's file, empty when none is chosen.
    [[nodiscard]] QString fileName() const;
    [[nodiscard]] QComboBox* list() const { return m_list; }
    [[nodiscard]] QPushButton* okButton() const { return m_ok; }

public slots:
    // Asks "Struktur wirklich löschen?" and deletes the chosen structure on Yes.
    void DeleteChosen();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateOk();

    QString m_directory;
    QComboBox* m_list = nullptr;
    QPushButton* m_ok = nullptr;
};
