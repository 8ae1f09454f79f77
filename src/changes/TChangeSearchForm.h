#pragma once

// The dialog "In Änderungen suchen": the search text, where to look and how to compare. "&Ok" finds
// the next match, "Alles &markieren" every match; both need a text and a column to look in.

#include "changes/ChangeSearch.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

class TChangeSearchForm final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TChangeSearchForm)

public:
    explicit TChangeSearchForm(const ChangeSearchCriteria& criteria, QWidget* parent = nullptr);

    // The criteria as the controls show them, MarkAll set when closed with "Alles &markieren".
    [[nodiscard]] ChangeSearchCriteria criteria() const;

private:
    void updateButtons();

    QLineEdit* m_text = nullptr;
    QCheckBox* m_key = nullptr;
    QCheckBox* m_wholePath = nullptr;
    QCheckBox* m_value = nullptr;
    QCheckBox* m_case = nullptr;
    QCheckBox* m_wholeWords = nullptr;
    QCheckBox* m_logical = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_markAll = nullptr;
    bool m_markAllChosen = false;
};
