#pragma once

// The tool page "Suchen" of the main window: the search result list with its tool buttons and context
// menu. The rows live in a SearchResultList; the list's marking and the view's selection are kept the
// same both ways, so the marking commands of the list act on what the user sees selected.

#include "search/SearchResultList.h"

#include <QElapsedTimer>
#include <QWidget>

#include <array>
#include <functional>

class QAction;
class QMenu;
class QToolBar;
class QTreeView;
class SearchResultModel;

class TSearchPage final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TSearchPage)

public:
    // Commands of the main window's search menu that the page's buttons and context menu share.
    struct Actions {
        QAction* search = nullptr;
        QAction* replace = nullptr;
        QAction* deleteResults = nullptr;
        QAction* check = nullptr;
        std::array<QAction*, 9> marks{}; // in the order of MarkCommand
        QAction* markDown = nullptr;
        QAction* selectAll = nullptr;
        QAction* invert = nullptr;
        QAction* openFile = nullptr;
        QAction* saveFile = nullptr;
    };
    static inline const QString FileFilter = QStringLiteral("SearchList (*.slt)|*.slt");
    static constexpr int RepaintEvery = 30;

    explicit TSearchPage(const Actions& actions, QWidget* parent = nullptr);
    ~TSearchPage() override;

    [[nodiscard]] const SearchResultList& results() const { return m_results; }
    // For the tools that change rows (replace, delete); refresh() shows what they did.
    [[nodiscard]] SearchResultList& changeableResults() { return m_results; }
    [[nodiscard]] QTreeView* view() const { return m_view; }
    [[nodiscard]] QMenu* contextMenu() const { return m_menu; }
    [[nodiscard]] QAction* removeAction() const { return m_remove; }
    [[nodiscard]] QAction* openKeyAction() const { return m_openKey; }
    [[nodiscard]] QAction* propertiesAction() const { return m_properties; }

    // The connected machine, empty for the local registry (properties, validity check).
    std::function<QString()> machineName;

    void clear();
    // A match of a listing search; the view follows after RepaintEvery rows, and on refresh(). Once many
    // rows are shown, after an eighth more of them or a quarter of a second: showing them costs the
    // more the more there are, and a search finds tens of thousands a second.
    void addMatch(const SearchResult& match);
    // Shows the list's rows and marking as they are now.
    void refresh();
    // The marker image 21 on the row while a tool works on it, the row scrolled into view; off again.
    void showMarker(int row, bool on);

signals:
    // "Schlüssel &öffnen ...": the row's key, and for a value row its value (empty for the default value).
    void openKeyRequested(const QString& keyPath, bool valueRow, const QString& valueName);
    void rowCountChanged();

public slots:
    void Mark(MarkCommand command);
    void MarkDownwardsClick();
    void SelectAllClick();
    void InvertClick();
    void RemoveEntriesClick();
    void OpenKeyClick();
    void SaveResultsClick();
    void OpenResultsClick();
    void PropertiesClick();
    void updateActions();

private:
    void buildMenu();
    void pullSelection();
    void pushSelection();

    Actions m_a;
    SearchResultList m_results;
    SearchResultModel* m_model = nullptr;
    QTreeView* m_view = nullptr;
    QToolBar* m_bar = nullptr;
    QMenu* m_menu = nullptr;
    QAction* m_remove = nullptr;
    QAction* m_openKey = nullptr;
    QAction* m_properties = nullptr;
    std::vector<ResultRow> m_unshown; // rows added since the view last followed
    QElapsedTimer m_shown;
    bool m_pushing = false;  // the view's selection is being set from the list
};
