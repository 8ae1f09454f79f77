#pragma once

// The help window "Hilfe": the contents and search pages on the left, the topic's title and text on
// the right, command buttons above them that wrap onto further rows, and two status panels. It is not
// modal; the main window keeps at most one.

#include "help/HelpNavigation.h"

#include <QMainWindow>

class HelpButtonBar;
class QAction;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTabWidget;
class TMultiText;
class TMultiTextScrollBox;

class THelpForm final : public QMainWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(THelpForm)
public:
    explicit THelpForm(QWidget* parent = nullptr);

    [[nodiscard]] const HelpNavigation& navigation() const { return m_nav; }
    [[nodiscard]] QString statusText(int panel) const;

public slots:
    // Shows topic i and records it in the history; numbers outside the topics do nothing.
    void showTopic(int topic);
    void BackClick();
    void PreviousClick();
    void NextClick();
    void CopyClick();
    void PrintClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();
    void buildButtons();
    QWidget* buildPages();
    QWidget* buildTopicView();
    // Puts the current topic on the screen and sets the commands' states.
    void display();
    void updateCopy();
    void searchChanged(const QString& term);
    void foundClicked(QListWidgetItem* item);
    void contentsChanged(int row);
    [[nodiscard]] QAction* addAction(QMenu* menu, const QString& caption, const QKeySequence& keys,
                                     void (THelpForm::*slot)());
    [[nodiscard]] QPushButton* addButton(const QString& name, const QString& caption, void (THelpForm::*slot)());

    HelpNavigation m_nav;
    bool m_displaying = false;
    HelpButtonBar* m_buttons = nullptr;
    QPushButton* m_back = nullptr;
    QPushButton* m_previous = nullptr;
    QPushButton* m_next = nullptr;
    QPushButton* m_copy = nullptr;
    QAction* m_copyAction = nullptr;
    QTabWidget* m_pages = nullptr;
    QListWidget* m_contents = nullptr;
    QLineEdit* m_searchEdit = nullptr;
    QListWidget* m_found = nullptr;
    TMultiText* m_title = nullptr;
    TMultiTextScrollBox* m_textBox = nullptr;
    TMultiText* m_text = nullptr;
    QLabel* m_status[2] = {nullptr, nullptr};
};
