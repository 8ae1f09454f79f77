#pragma once

// "Informationen durchblättern": every entry of the key information file by category, with the
// file's operating system, version and rights notice, a status line with the counts and a preview of
// the selected entry. "Schlüssel &öffnen" closes the window with the entry's key path as result.

#include "info/TInfoClass.h"

#include <QColor>
#include <QDialog>

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class TMultiText;

class TInfoForm final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TInfoForm)

public:
    // linkColor and linkStyle: those of the main window's information page.
    TInfoForm(const TInfoClass& info, const QColor& linkColor, int linkStyle, QWidget* parent = nullptr);

    // The key path of the entry the window was closed with ("Schlüssel &öffnen"), else empty.
    [[nodiscard]] QString chosenKeyPath() const { return m_chosen; }
    [[nodiscard]] QString statusText() const;
    [[nodiscard]] TMultiText* preview() const { return m_preview; }
    [[nodiscard]] QTreeWidget* tree() const { return m_tree; }

private:
    enum class NodeKind { Overview, Category, Entry };
    void fillTree();
    void onCurrentChanged(QTreeWidgetItem* current);
    void openKey();
    [[nodiscard]] static NodeKind kindOf(const QTreeWidgetItem* item);

    TInfoClass m_info;
    QTreeWidget* m_tree = nullptr;
    TMultiText* m_preview = nullptr;
    QLabel* m_status = nullptr;
    QPushButton* m_openButton = nullptr;
    int m_categoryNodes = 0;
    int m_entryNodes = 0;
    QString m_chosen;
};
