#pragma once

// The dialog "Ersetzen": the text to replace and its replacement, each with its history ("rplscr.dat",
// "replace.dat", saved when the dialog goes), and the options of the run. "&Ok" replaces in the last
// marked row only, "Alles E&rsetzen" in every marked row.

#include "search/ReplaceInResults.h"
#include "search/SearchHistory.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QPushButton;

class TReplaceForm final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TReplaceForm)

public:
    TReplaceForm(const ReplaceSettings& settings, QWidget* parent = nullptr);
    ~TReplaceForm() override;

    // The controls' settings; allRows tells which button closed the dialog.
    [[nodiscard]] ReplaceSettings settings() const;

    [[nodiscard]] QComboBox* findBox() const { return m_find; }
    [[nodiscard]] QComboBox* replacementBox() const { return m_replacement; }
    [[nodiscard]] QPushButton* okButton() const { return m_ok; }
    [[nodiscard]] QPushButton* replaceAllButton() const { return m_all; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QComboBox* historyBox(const SearchHistory& history, const char* name);
    void updateControls();
    void finish(bool allRows);

    SearchHistory m_findHistory;
    SearchHistory m_replaceHistory;
    bool m_allRows = false;
    QComboBox* m_find = nullptr;
    QComboBox* m_replacement = nullptr;
    QCheckBox* m_firstOnly = nullptr;
    QCheckBox* m_confirm = nullptr;
    QCheckBox* m_caseSensitive = nullptr;
    QCheckBox* m_wholeText = nullptr;
    QCheckBox* m_warnings = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_all = nullptr;
};
