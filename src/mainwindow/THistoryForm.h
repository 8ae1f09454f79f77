#pragma once

// The history editor: the visited keys in a multi-select list, from which entries and duplicates can
// be removed before the history takes the edited list.

#include <QDialog>
#include <QStringList>

class QListWidget;
class QPushButton;

class THistoryForm final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(THistoryForm)

public:
    // caption: "Historyliste", or "Historyliste - Parallelansicht" for the parallel view.
    explicit THistoryForm(const QStringList& entries, const QString& caption = QStringLiteral("Historyliste"),
                          QWidget* parent = nullptr);

    [[nodiscard]] QStringList entries() const;
    [[nodiscard]] QListWidget* list() const { return m_list; }

public slots:
    void RemoveKeysClick();
    void RemoveDuplicatesClick();

private:
    void updateButtons();

    QListWidget* m_list = nullptr;
    QPushButton* m_removeButton = nullptr;
};
