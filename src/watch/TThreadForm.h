#pragma once

// The watch dialog "Registrierung überwachen": four pages "Schlüssel1" to "Schlüssel4", one per watch
// slot, each with the watched key, its options, the notify filter and "&Aktiv", which starts and stops
// the slot's thread at once. The pages are copied into the slots at every option click and on closing.

#include "platform/WinTypes.h"
#include "watch/WatchSlot.h"

#include <QDialog>

#include <array>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QTabWidget;
class TDropDownCheckList;
class WatchController;

class TThreadForm final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TThreadForm)

public:
    // currentKeyPath: the main window's current key, empty when none is selected.
    TThreadForm(WatchController& watch, const QString& currentKeyPath, QWidget* parent = nullptr);

    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Page {
        QLineEdit* path = nullptr;
        QPushButton* insert = nullptr;
        QCheckBox* subtree = nullptr;
        QCheckBox* silent = nullptr;
        QCheckBox* filter = nullptr;
        TDropDownCheckList* filterPopup = nullptr;
        QCheckBox* active = nullptr;
        DWORD filterBits = 0;
    };

    QWidget* buildPage(int slot);
    void showSlot(int slot);
    void copyPagesToSlots();
    void updateStates(int slot);
    void updateFilterBox(int slot);
    void FilterClick(int slot);
    void FilterBitClick(int slot, int bit);
    void ActiveClick(int slot);

    WatchController& m_watch;
    QString m_currentKeyPath;
    QTabWidget* m_tabs = nullptr;
    std::array<Page, WatchSlotCount> m_pages;
};
