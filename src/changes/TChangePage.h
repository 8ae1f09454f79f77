#pragma once

// The tool page "Änderungen" of the main window: the change list with its tool buttons and context
// menu. The rows live in a ChangeList; the list's marking and the view's selection are kept the same
// both ways, so the marking commands act on what the user sees selected.

#include "changes/ChangeList.h"

#include <QWidget>

#include <array>
#include <functional>

class ChangeListModel;
class QAction;
class QMenu;
class QToolBar;
class QTreeView;

class TChangePage final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TChangePage)

public:
    // Commands of the main window's menu "&Änderungen" that the page's buttons and context menu share.
    struct Actions {
        QAction* findChanges = nullptr;
        QAction* exclude = nullptr;
        std::array<QAction*, 7> marks{}; // in the order of ChangeMark
        QAction* markDown = nullptr;
        QAction* selectAll = nullptr;
        QAction* invert = nullptr;
        QAction* search = nullptr;
        QAction* undo = nullptr;
        QAction* remove = nullptr;
        QAction* openKey = nullptr;
        QAction* openFile = nullptr;
        QAction* saveFile = nullptr;
    };
    static inline const QString FileFilter = QStringLiteral("Compare Backup File (*.cbk)|*.cbk");
    static constexpr int RepaintEvery = 30;

    explicit TChangePage(const Actions& actions, QWidget* parent = nullptr);
    ~TChangePage() override;

    // The rows; a comparison adds to them directly and calls refresh() (or follow()) to show them.
    [[nodiscard]] ChangeList& changes() { return m_changes; }
    [[nodiscard]] QTreeView* view() const { return m_view; }
    [[nodiscard]] QMenu* contextMenu() const { return m_menu; }
    [[nodiscard]] QAction* propertiesAction() const { return m_properties; }
    // Key column texts of the marked rows, in list order.
    [[nodiscard]] QStringList markedKeyPaths() const;

    // The connected machine, empty for the local registry (properties).
    std::function<QString()> machineName;

    void clear();
    // Shows the rows and marking as they are now.
    void refresh();
    // During a comparison: shows the rows when RepaintEvery more have arrived since the view last followed.
    void follow();
    // The marker image on a row (scrolled into view) while an undo works on it, and off again.
    void showMarker(int row, bool on);
    // After a search changed the marking: shows it, with the found row (-1: none) scrolled into view.
    void showFound(int row);

signals:
    // "Schlüssel &öffnen ...": the row's key, and for a value row its value name (empty: default value).
    void openKeyRequested(const QString& keyPath, bool valueRow, const QString& valueName);
    void rowCountChanged();

public slots:
    void Mark(ChangeMark mark);
    void MarkDownwardsClick();
    void SelectAllClick();
    void InvertClick();
    void RemoveEntriesClick();
    void OpenKeyClick();
    void SaveChangesClick();
    void OpenChangesClick();
    void PropertiesClick();
    void updateActions();

private:
    void buildMenu();
    void pullSelection();
    void pushSelection();

    Actions m_a;
    ChangeList m_changes;
    ChangeListModel* m_model = nullptr;
    QTreeView* m_view = nullptr;
    QToolBar* m_bar = nullptr;
    QMenu* m_menu = nullptr;
    QAction* m_properties = nullptr;
    int m_shownRows = 0;
    bool m_pushing = false; // the view's selection is being set from the list
};
