#pragma once

// The dialog "Suchen": the search text with its history and the criteria check boxes. It shows the
// criteria it is given, keeps "&Suchen" enabled only for a search that can run, and on "&Suchen"
// adds the text to the history ("search.dat", saved when the dialog goes).

#include "search/SearchHistory.h"
#include "search/SearchMatcher.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QPushButton;

class TSearchForm final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TSearchForm)

public:
    // keySelected: a key (not the machine node) is selected, which "only the current key" needs.
    TSearchForm(const SearchCriteria& criteria, bool keySelected, QWidget* parent = nullptr);
    ~TSearchForm() override;

    // The criteria the controls show now.
    [[nodiscard]] SearchCriteria criteria() const;
    [[nodiscard]] const SearchHistory& history() const { return m_history; }

    // The check box of a content bit (1 ... 256) or, with compare = true, of a compare bit (1, 2, 4; bit 2
    // is the box "&Nur ganze Wörter", checked when the bit is clear).
    [[nodiscard]] QCheckBox* checkBox(DWORD bit, bool compare = false) const;
    [[nodiscard]] QComboBox* textBox() const { return m_text; }
    [[nodiscard]] QPushButton* searchButton() const { return m_search; }

    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void showCriteria(const SearchCriteria& criteria);
    void updateControls();
    void removeShownFromHistory();

    SearchHistory m_history;
    bool m_keySelected;
    QComboBox* m_text = nullptr;
    QPushButton* m_search = nullptr;
    QCheckBox* m_keys = nullptr;
    QCheckBox* m_values = nullptr;
    QCheckBox* m_data = nullptr;
    QCheckBox* m_strings = nullptr;
    QCheckBox* m_dwords = nullptr;
    QCheckBox* m_binaries = nullptr;
    QCheckBox* m_caseSensitive = nullptr;
    QCheckBox* m_wholeText = nullptr;
    QCheckBox* m_logical = nullptr;
    QCheckBox* m_singleRoot = nullptr;
    QCheckBox* m_listResults = nullptr;
    QCheckBox* m_currentKey = nullptr;
};
