#include "help/THelpForm.h"

#include "help/HelpButtonBar.h"
#include "help/HelpStrings.h"
#include "help/HelpTopicDelegate.h"
#include "info/TMultiText.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

constexpr int TitleSizeIncrease = 4; // points the topic title is larger than the text

QListWidgetItem* topicItem(QListWidget* list, int topic)
{
    auto* item = new QListWidgetItem(Help::PlainTopicTitle(topic), list);
    item->setData(Qt::UserRole, topic);
    item->setData(HelpTopicDelegate::SectionRole, Help::IsSection(topic));
    return item;
}

} // namespace

THelpForm::THelpForm(QWidget* parent) : QMainWindow(parent, Qt::Window), m_nav(Help::TopicCount)
{
    setObjectName(QStringLiteral("HelpForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Hilfe - ") + Help::Title());
    setMinimumSize(400, 300);
    resize(780, 560);

    buildMenus();
    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(4, 4, 4, 0);
    layout->setSpacing(4);
    buildButtons();
    layout->addWidget(m_buttons);
    auto* splitter = new QSplitter(Qt::Horizontal);
    splitter->addWidget(buildPages());
    splitter->addWidget(buildTopicView());
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({285, 495});
    splitter->setChildrenCollapsible(false);
    layout->addWidget(splitter, 1);
    setCentralWidget(central);

    for (int i = 0; i < 2; ++i) {
        m_status[i] = new QLabel;
        m_status[i]->setFrameShape(QFrame::StyledPanel);
        m_status[i]->setFrameShadow(QFrame::Sunken);
        statusBar()->addWidget(m_status[i], i);
    }
    // The topic panel keeps room for its longest text; the author line gives way on narrow windows.
    const QString longest = QStringLiteral("%1 Themen (gewählt Thema %1)").arg(Help::TopicCount);
    m_status[0]->setMinimumWidth(m_status[0]->fontMetrics().horizontalAdvance(longest) + 12);
    m_status[1]->setText(Help::Author());
    showTopic(0);
}

void THelpForm::buildMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&Datei"));
    (void)addAction(file, QStringLiteral("Thema &drucken"), QKeySequence(Qt::CTRL | Qt::Key_P), &THelpForm::PrintClick);
    file->addSeparator();
    QAction* close = file->addAction(QStringLiteral("&Schließen"));
    close->setShortcut(QKeySequence(Qt::Key_Escape));
    connect(close, &QAction::triggered, this, &QWidget::close);
    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Bearbeiten"));
    m_copyAction = addAction(edit, QStringLiteral("&Kopieren"), QKeySequence(Qt::CTRL | Qt::Key_C),
                             &THelpForm::CopyClick);
    QAction* all = edit->addAction(QStringLiteral("&Alles markieren"));
    all->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    connect(all, &QAction::triggered, this, [this] {
        m_title->selectAll(false);
        m_text->selectAll(true);
    });
}

QAction* THelpForm::addAction(QMenu* menu, const QString& caption, const QKeySequence& keys,
                              void (THelpForm::*slot)())
{
    QAction* action = menu->addAction(caption);
    action->setShortcut(keys);
    connect(action, &QAction::triggered, this, slot);
    return action;
}

QPushButton* THelpForm::addButton(const QString& name, const QString& caption, void (THelpForm::*slot)())
{
    auto* button = new QPushButton(caption);
    button->setObjectName(name);
    button->setAutoDefault(false);
    button->setFocusPolicy(Qt::TabFocus);
    connect(button, &QPushButton::clicked, this, slot);
    m_buttons->addButton(button);
    return button;
}

void THelpForm::buildButtons()
{
    m_buttons = new HelpButtonBar;
    m_back = addButton(QStringLiteral("BackButton"), QStringLiteral("&Zurück"), &THelpForm::BackClick);
    m_previous = addButton(QStringLiteral("PreviousButton"), QStringLiteral("<< &Vorheriges Thema"),
                           &THelpForm::PreviousClick);
    m_next = addButton(QStringLiteral("NextButton"), QStringLiteral("&Nächstes Thema >>"), &THelpForm::NextClick);
    m_copy = addButton(QStringLiteral("CopyButton"), QStringLiteral("&Kopieren"), &THelpForm::CopyClick);
    (void)addButton(QStringLiteral("PrintButton"), QStringLiteral("Thema &drucken"), &THelpForm::PrintClick);
    auto* close = new QPushButton(QStringLiteral("&Schließen"));
    close->setObjectName(QStringLiteral("CloseButton"));
    close->setAutoDefault(false);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    m_buttons->addButton(close);
}

QWidget* THelpForm::buildPages()
{
    m_pages = new QTabWidget;
    m_pages->setObjectName(QStringLiteral("HelpPages"));
    m_contents = new QListWidget;
    m_contents->setObjectName(QStringLiteral("HelpContentsList"));
    m_contents->setItemDelegate(new HelpTopicDelegate(m_contents));
    for (int i = 0; i < Help::TopicCount; ++i)
        topicItem(m_contents, i);
    connect(m_contents, &QListWidget::currentRowChanged, this, &THelpForm::contentsChanged);
    m_pages->addTab(m_contents, QStringLiteral("Inhalt"));

    auto* search = new QWidget;
    auto* layout = new QVBoxLayout(search);
    auto* termLabel = new QLabel(QStringLiteral("Suchbegriff:"));
    m_searchEdit = new QLineEdit;
    m_searchEdit->setObjectName(QStringLiteral("HelpSearchEdit"));
    termLabel->setBuddy(m_searchEdit);
    auto* foundLabel = new QLabel(QStringLiteral("Gefundene Themen:"));
    m_found = new QListWidget;
    m_found->setObjectName(QStringLiteral("HelpFoundList"));
    m_found->setItemDelegate(new HelpTopicDelegate(m_found));
    foundLabel->setBuddy(m_found);
    layout->addWidget(termLabel);
    layout->addWidget(m_searchEdit);
    layout->addWidget(foundLabel);
    layout->addWidget(m_found, 1);
    connect(m_searchEdit, &QLineEdit::textChanged, this, &THelpForm::searchChanged);
    connect(m_found, &QListWidget::itemClicked, this, &THelpForm::foundClicked);
    connect(m_found, &QListWidget::itemActivated, this, &THelpForm::foundClicked);
    m_pages->addTab(search, QStringLiteral("Suche"));
    return m_pages;
}

QWidget* THelpForm::buildTopicView()
{
    auto* view = new QWidget;
    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    m_title = new TMultiText;
    m_title->setObjectName(QStringLiteral("HelpTitleText"));
    QFont titleFont = font();
    titleFont.setPointSize(titleFont.pointSize() + TitleSizeIncrease);
    titleFont.setBold(true);
    m_title->setFont(titleFont);
    m_title->setFrameWidth(4);
    m_title->setWordWrap(false);
    m_title->setAutoSize(true);
    m_title->setFixedHeight(QFontMetrics(titleFont).height() + 8);
    m_title->setImageLoader(LoadMarkupImage);
    m_textBox = new TMultiTextScrollBox;
    m_textBox->setObjectName(QStringLiteral("HelpTopicBox"));
    m_text = m_textBox->multiText();
    m_text->setObjectName(QStringLiteral("HelpTopicText"));
    m_text->setFrameWidth(6);
    m_text->setImageLoader(LoadMarkupImage);
    layout->addWidget(m_title);
    layout->addWidget(m_textBox, 1);
    for (TMultiText* control : {m_title, m_text}) {
        control->installEventFilter(this);
        connect(control, &TMultiText::link, this, [this](TMultiText*, int id) { showTopic(id); });
        connect(control, &TMultiText::selectionChanged, this, &THelpForm::updateCopy);
    }
    return view;
}

QString THelpForm::statusText(int panel) const
{
    return m_status[panel]->text();
}

void THelpForm::showTopic(int topic)
{
    if (m_nav.showTopic(topic))
        display();
}

void THelpForm::BackClick()
{
    if (m_nav.back())
        display();
}

void THelpForm::PreviousClick()
{
    if (m_nav.previous())
        display();
}

void THelpForm::NextClick()
{
    if (m_nav.next())
        display();
}

void THelpForm::display()
{
    const int topic = m_nav.current();
    m_title->setText(Help::PlainTopicTitle(topic));
    m_text->setText(Help::TopicText(topic));
    m_textBox->ensureVisible(0, 0);
    m_status[0]->setText(m_nav.statusText());
    m_back->setEnabled(m_nav.canGoBack());
    m_previous->setEnabled(m_nav.canGoPrevious());
    m_next->setEnabled(m_nav.canGoNext());
    m_displaying = true;
    m_contents->setCurrentRow(topic);
    m_displaying = false;
    updateCopy();
}

void THelpForm::contentsChanged(int row)
{
    if (!m_displaying && row >= 0)
        showTopic(row);
}

void THelpForm::searchChanged(const QString& term)
{
    m_found->clear();
    for (int topic : SearchHelpTopics(term))
        topicItem(m_found, topic);
}

void THelpForm::foundClicked(QListWidgetItem* item)
{
    if (item)
        showTopic(item->data(Qt::UserRole).toInt());
}

void THelpForm::updateCopy()
{
    const bool any = m_title->hasSelection() || m_text->hasSelection();
    m_copy->setEnabled(any);
    m_copyAction->setEnabled(any);
}

void THelpForm::CopyClick()
{
    QStringList parts;
    for (const TMultiText* control : {m_title, m_text}) {
        if (control->hasSelection())
            parts.append(control->selectedText());
    }
    if (!parts.isEmpty())
        QApplication::clipboard()->setText(parts.join(QStringLiteral("\r\n")));
}

void THelpForm::PrintClick()
{
    QPrinter printer;
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() == QDialog::Accepted)
        m_text->print(printer, windowTitle() + QStringLiteral(" - ") + Help::PlainTopicTitle(m_nav.current()));
}

bool THelpForm::eventFilter(QObject* watched, QEvent* event)
{
    // A selection is made in one control at a time: pressing in one clears the other's.
    if (event->type() == QEvent::MouseButtonPress) {
        if (watched == m_title)
            m_text->selectAll(false);
        else if (watched == m_text)
            m_title->selectAll(false);
    }
    return QMainWindow::eventFilter(watched, event);
}
