// Building the main window: views, tool pages, status bar, menus, tool bars and context menus.

#include "mainwindow/TMainForm.h"

#include "mainwindow/ValueListView.h"
#include "registry/KeyTreeModel.h"
#include "registry/RegUtils.h"
#include "registry/ValueListModel.h"
#include "widgets/InPlaceEditor.h"
#include "widgets/KavenIcons.h"

#include <QComboBox>
#include <QLabel>
#include <QMenuBar>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QToolBar>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QVariant imageOf(int image)
{
    const QIcon icon = KavenIcons::icon(image);
    return icon.isNull() ? QVariant() : QVariant(icon);
}

} // namespace

void TMainForm::buildViews()
{
    m_treeModel = new KeyTreeModel(this);
    m_treeModel->setImageProvider(imageOf);
    m_tree = NewKeyTreeView(m_treeModel, QStringLiteral("RegTreeView1"));
    m_tree->installEventFilter(this);
    m_keyEditor = new InPlaceEditor(m_tree);

    m_valueModel = new ValueListModel(this);
    m_valueModel->setImageProvider(imageOf);
    m_list = NewValueListView(m_valueModel, QStringLiteral("RegListView1"));
    m_list->setColumnWidth(ValueListModel::NameColumn, 180);
    m_list->setColumnWidth(ValueListModel::TypeColumn, 110);
    m_list->setColumnWidth(ValueListModel::DataColumn, 300);
    m_list->setColumnWidth(ValueListModel::SizeColumn, 70);
    m_list->installEventFilter(this);
    connect(m_list, &QAbstractItemView::doubleClicked, this, &TMainForm::openValueEditor);
    m_valueEditor = new InPlaceEditor(m_list);

    m_vSplitter = new QSplitter(Qt::Horizontal);
    m_vSplitter->addWidget(m_tree);
    m_vSplitter->addWidget(m_list);
    m_vSplitter->setStretchFactor(1, 1);
    m_vSplitter->setSizes({260, 640});
    m_vSplitter->setChildrenCollapsible(false);

    buildToolPages();
    m_hSplitter = new QSplitter(Qt::Vertical);
    m_hSplitter->addWidget(m_vSplitter);
    m_hSplitter->addWidget(m_toolPanel);
    m_hSplitter->setStretchFactor(0, 1);
    m_hSplitter->setSizes({420, 150});
    m_hSplitter->setChildrenCollapsible(false);
    setCentralWidget(m_hSplitter);
}

void TMainForm::buildToolPages()
{
    m_toolPanel = new QWidget;
    auto* layout = new QVBoxLayout(m_toolPanel);
    layout->setContentsMargins(0, 2, 0, 0);
    layout->setSpacing(0);

    m_pageTabs = new QTabBar;
    m_pageTabs->setObjectName(QStringLiteral("ToolTabs"));
    m_pageTabs->setDrawBase(false);
    m_pageTabs->setExpanding(false);
    m_pageTabs->addTab(QStringLiteral("Information"));
    m_pageTabs->addTab(QStringLiteral("Favoriten"));
    m_pageLabel = new QLabel;
    m_pageLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_pageLabel->setFrameShape(QFrame::StyledPanel);
    m_pageLabel->setMinimumWidth(20);
    m_pageSplitter = new QSplitter(Qt::Horizontal);
    m_pageSplitter->addWidget(m_pageTabs);
    m_pageSplitter->addWidget(m_pageLabel);
    m_pageSplitter->setStretchFactor(0, 1);
    m_pageSplitter->setChildrenCollapsible(false);
    m_pageSplitter->setSizes({800, 80});
    layout->addWidget(m_pageSplitter);

    m_pageStack = new QStackedWidget;
    m_pageStack->addWidget(buildInfoPage());
    m_favoriteList = new QTreeWidget;
    m_favoriteList->setObjectName(QStringLiteral("FavListView1"));
    m_favoriteList->setRootIsDecorated(false);
    m_favoriteList->setHeaderLabels({QStringLiteral("Beschreibung"), QStringLiteral("Schlüssel")});
    m_favoriteList->setColumnWidth(0, 220);
    auto* favoritePage = new QWidget;
    auto* favoriteLayout = new QVBoxLayout(favoritePage);
    favoriteLayout->setContentsMargins(0, 0, 0, 0);
    favoriteLayout->setSpacing(0);
    auto* favoriteBar = new QToolBar(favoritePage); // buttons of the favorites' commands
    favoriteBar->setObjectName(QStringLiteral("FavToolBar"));
    favoriteBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    favoriteBar->setIconSize(QSize(16, 16));
    favoriteLayout->addWidget(favoriteBar);
    favoriteLayout->addWidget(m_favoriteList, 1);
    m_pageStack->addWidget(favoritePage);
    layout->addWidget(m_pageStack, 1);
    connect(m_pageTabs, &QTabBar::currentChanged, this, &TMainForm::setToolPage);
}

void TMainForm::buildStatusBar()
{
    // Panels 0 (watch) and 1 (key notes) are drawn by their features; panel 2 names the current key.
    for (int i = 0; i < 3; ++i) {
        m_statusPanels[i] = new QLabel;
        m_statusPanels[i]->setFrameShape(QFrame::StyledPanel);
        m_statusPanels[i]->setFrameShadow(QFrame::Sunken);
        m_statusPanels[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
    }
    m_statusPanels[0]->setFixedWidth(30);
    m_statusPanels[0]->setAlignment(Qt::AlignCenter);
    m_statusPanels[1]->setFixedWidth(30);
    m_statusPanels[2]->setTextInteractionFlags(Qt::TextSelectableByMouse);
    statusBar()->addWidget(m_statusPanels[0]);
    statusBar()->addWidget(m_statusPanels[1]);
    statusBar()->addWidget(m_statusPanels[2], 1);
}

QAction* TMainForm::addCommand(QMenu* menu, const QString& name, const QString& caption, const QKeySequence& keys,
                               void (TMainForm::*slot)())
{
    auto* action = new QAction(caption, this);
    action->setObjectName(name);
    if (!keys.isEmpty())
        action->setShortcut(keys);
    if (slot)
        connect(action, &QAction::triggered, this, slot);
    else
        action->setEnabled(false); // its feature is not part of this window yet
    action->setProperty("kavenBuilt", slot != nullptr);
    menu->addAction(action);
    m_actions.insert(name, action);
    return action;
}

void TMainForm::buildMenus()
{
    const QKeySequence none;
    QMenu* file = menuBar()->addMenu(QStringLiteral("&Datei"));
    addCommand(file, QStringLiteral("ImportRegFile1"), QStringLiteral("&Registrierungdatei importieren ..."),
               QKeySequence(Qt::CTRL | Qt::Key_I), &TMainForm::ImportRegFileClick);
    addCommand(file, QStringLiteral("ExportRegFile1"), QStringLiteral("R&egistrierungdatei exportieren ..."),
               QKeySequence(Qt::CTRL | Qt::Key_E), &TMainForm::ExportRegFileClick);
    addCommand(file, QStringLiteral("ExportAnalysis1"), QStringLiteral("&Analysedatei exportieren ..."),
               QKeySequence(Qt::CTRL | Qt::Key_A));
    file->addSeparator();
    addCommand(file, QStringLiteral("EditRegFile1"), QStringLiteral("Re&gistrierungdatei bearbeiten"), none,
               &TMainForm::EditRegFileClick);
    file->addSeparator();
    addCommand(file, QStringLiteral("NetConnect1"), QStringLiteral("&Netzwerkverbindung herstellen ..."));
    addCommand(file, QStringLiteral("NetDisconnect1"), QStringLiteral("Ne&tzwerkverbindung trennen ..."));
    file->addSeparator();
    QAction* exit = addCommand(file, QStringLiteral("Exit1"), QStringLiteral("&Beenden"), none, nullptr);
    exit->setEnabled(true);
    exit->setProperty("kavenBuilt", true);
    connect(exit, &QAction::triggered, this, &QWidget::close);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Bearbeiten"));
    QMenu* newMenu = edit->addMenu(QStringLiteral("&Neu"));
    addCommand(newMenu, QStringLiteral("NewKey1"), QStringLiteral("&Schlüssel"), none, &TMainForm::NewKeyClick);
    newMenu->addSeparator();
    addCommand(newMenu, QStringLiteral("NewString1"), QStringLiteral("&Zeichenfolge"), none,
               &TMainForm::NewStringClick);
    addCommand(newMenu, QStringLiteral("NewBinary1"), QStringLiteral("&Binärwert"), none, &TMainForm::NewBinaryClick);
    addCommand(newMenu, QStringLiteral("NewDWord1"), QStringLiteral("&DWord-Wert"), none, &TMainForm::NewDWordClick);
    newMenu->addSeparator();
    addCommand(newMenu, QStringLiteral("NewStructure1"), QStringLiteral("S&truktur"));
    addCommand(edit, QStringLiteral("Change1"), QStringLiteral("Än&dern"), QKeySequence(Qt::Key_F1));
    addCommand(edit, QStringLiteral("Rename1"), QStringLiteral("&Umbenennen"), QKeySequence(Qt::Key_F2),
               &TMainForm::RenameClick);
    addCommand(edit, QStringLiteral("Delete1"), QStringLiteral("&Löschen"), QKeySequence(Qt::CTRL | Qt::Key_Delete),
               &TMainForm::DeleteClick);
    edit->addSeparator();
    addCommand(edit, QStringLiteral("Cut1"), QStringLiteral("Ausschne&iden"),
               QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_X));
    addCommand(edit, QStringLiteral("Copy1"), QStringLiteral("K&opieren"),
               QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_C));
    addCommand(edit, QStringLiteral("Paste1"), QStringLiteral("Ein&fügen"),
               QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_V));
    edit->addSeparator();
    addCommand(edit, QStringLiteral("Undo1"), QStringLiteral("&Rückgängig"),
               QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Z));
    addCommand(edit, QStringLiteral("UndoList1"), QStringLiteral("Rü&ckgängig - Auswahlliste"));
    edit->addSeparator();
    addCommand(edit, QStringLiteral("CopyKeyPath1"), QStringLiteral("Schlüsselpfad &kopieren"), none,
               &TMainForm::CopyKeyPathClick);
    addCommand(edit, QStringLiteral("ShowCurrentKey1"), QStringLiteral("&Aktuellen Schlüssel zeigen"),
               QKeySequence(Qt::CTRL | Qt::Key_S), &TMainForm::ShowCurrentKeyClick);
    edit->addSeparator();
    addCommand(edit, QStringLiteral("Properties1"), QStringLiteral("&Eigenschaften"));

    QMenu* view = menuBar()->addMenu(QStringLiteral("&Ansicht"));
    const QString bars[3][2] = {{QStringLiteral("ToolsBar1"), QStringLiteral("&Werkzeugleiste")},
                                {QStringLiteral("NetWorkBar1"), QStringLiteral("&Netzwerkleiste")},
                                {QStringLiteral("HistoryBar1"), QStringLiteral("&Historyleiste")}};
    for (const auto& bar : bars) {
        QAction* a = addCommand(view, bar[0], bar[1]);
        a->setEnabled(true);
        a->setCheckable(true);
        a->setChecked(true);
        a->setProperty("kavenBuilt", true);
    }
    QMenu* pages = view->addMenu(QStringLiteral("Werkzeugseiten"));
    const QString pageNames[5] = {QStringLiteral("&Information"), QStringLiteral("&Favoriten"),
                                  QStringLiteral("&Suchen"), QStringLiteral("Ä&nderungen"),
                                  QStringLiteral("Ü&berwachung")};
    for (int i = 0; i < 5; ++i) {
        QAction* a = addCommand(pages, QStringLiteral("Page%1").arg(i), pageNames[i]);
        // Pages 2 to 4 arrive with their features.
        a->setEnabled(i < 2);
        a->setProperty("kavenBuilt", i < 2);
        connect(a, &QAction::triggered, this, [this, i] { setToolPage(i); });
    }
    // F8: the next tool page, after the last the first.
    auto* nextPage = new QAction(this);
    nextPage->setShortcut(QKeySequence(Qt::Key_F8));
    connect(nextPage, &QAction::triggered, this,
            [this] { setToolPage((m_pageStack->currentIndex() + 1) % m_pageStack->count()); });
    addAction(nextPage);
    view->addSeparator();
    addCommand(view, QStringLiteral("Refresh1"), QStringLiteral("A&ktualisieren"), QKeySequence(Qt::Key_F5),
               &TMainForm::RefreshClick);
    addCommand(view, QStringLiteral("StandardView1"), QStringLiteral("&Standardansicht wiederherstellen"), none,
               &TMainForm::StandardViewClick);
    view->addSeparator();
    addCommand(view, QStringLiteral("Back1"), QStringLiteral("Schlüssel &zurück"), QKeySequence(Qt::CTRL | Qt::Key_L));
    addCommand(view, QStringLiteral("Forward1"), QStringLiteral("Schlüssel &vorwärts"),
               QKeySequence(Qt::CTRL | Qt::Key_N));
    addCommand(view, QStringLiteral("EditHistory1"), QStringLiteral("His&toryliste bearbeiten"),
               QKeySequence(Qt::CTRL | Qt::Key_H));

    QMenu* search = menuBar()->addMenu(QStringLiteral("&Suchen"));
    addCommand(search, QStringLiteral("Search1"), QStringLiteral("&Suchen ..."), QKeySequence(Qt::CTRL | Qt::Key_F));
    addCommand(search, QStringLiteral("SearchAgain1"), QStringLiteral("&Weitersuchen"), QKeySequence(Qt::Key_F3));
    search->addSeparator();
    addCommand(search, QStringLiteral("Replace1"), QStringLiteral("E&rsetzen in Suchergebnissen ..."),
               QKeySequence(Qt::CTRL | Qt::Key_R));
    addCommand(search, QStringLiteral("DeleteResults1"), QStringLiteral("&Löschen von Suchergebnissen ..."),
               QKeySequence(Qt::CTRL | Qt::Key_D));
    addCommand(search, QStringLiteral("CheckResults1"), QStringLiteral("Suchergebnisse pr&üfen .."),
               QKeySequence(Qt::CTRL | Qt::Key_P));
    search->addSeparator();
    QMenu* mark = search->addMenu(QStringLiteral("&Markieren"));
    addCommand(mark, QStringLiteral("SearchMarkKeys1"), QStringLiteral("Alle S&chlüssel"));
    for (const auto& [sub, prefix, all] :
         {std::tuple{QStringLiteral("&Werte"), QStringLiteral("SearchMarkValues"), QStringLiteral("A&lle Werte")},
          std::tuple{QStringLiteral("Da&ten"), QStringLiteral("SearchMarkData"), QStringLiteral("A&lle Daten")}}) {
        QMenu* m = mark->addMenu(sub);
        addCommand(m, prefix + QStringLiteral("All1"), all);
        addCommand(m, prefix + QStringLiteral("String1"), QStringLiteral("&Zeichenfolgen"));
        addCommand(m, prefix + QStringLiteral("DWord1"), QStringLiteral("&DWord-Werte"));
        addCommand(m, prefix + QStringLiteral("Binary1"), QStringLiteral("&Binärwerte"));
    }
    addCommand(mark, QStringLiteral("SearchMarkDown1"), QStringLiteral("&Abwärts"));
    addCommand(search, QStringLiteral("SearchSelectAll1"), QStringLiteral("&Alles markieren"));
    addCommand(search, QStringLiteral("SearchInvert1"), QStringLiteral("Markierung &umkehren"));
    search->addSeparator();
    addCommand(search, QStringLiteral("OpenResults1"), QStringLiteral("Suchergebnisse ö&ffnen ..."));
    addCommand(search, QStringLiteral("SaveResults1"), QStringLiteral("Suchergebnisse s&peichern ..."));

    QMenu* changes = menuBar()->addMenu(QStringLiteral("&Änderungen"));
    addCommand(changes, QStringLiteral("FindChanges1"), QStringLiteral("Ä&nderungen finden ..."),
               QKeySequence(Qt::CTRL | Qt::Key_U));
    addCommand(changes, QStringLiteral("Repeat1"), QStringLiteral("Wiederholen"), QKeySequence(Qt::Key_F4));
    addCommand(changes, QStringLiteral("Exclude1"), QStringLiteral("Schlüssel ausschlie&ßen"));
    changes->addSeparator();
    QMenu* changeMark = changes->addMenu(QStringLiteral("&Markieren"));
    for (const auto& [sub, prefix] : {std::pair{QStringLiteral("&Schlüssel"), QStringLiteral("ChangeMarkKeys")},
                                      std::pair{QStringLiteral("&Werte"), QStringLiteral("ChangeMarkValues")}}) {
        QMenu* m = changeMark->addMenu(sub);
        addCommand(m, prefix + QStringLiteral("All1"), QStringLiteral("&Alle"));
        addCommand(m, prefix + QStringLiteral("Added1"), QStringLiteral("&Hinzugefügte"));
        addCommand(m, prefix + QStringLiteral("Removed1"), QStringLiteral("&Entfernte"));
    }
    QMenu* changeData = changeMark->addMenu(QStringLiteral("&Daten"));
    addCommand(changeData, QStringLiteral("ChangeMarkDataChanged1"), QStringLiteral("&Geänderte"));
    addCommand(changeMark, QStringLiteral("ChangeMarkDown1"), QStringLiteral("&Abwärts"));
    addCommand(changes, QStringLiteral("ChangeSelectAll1"), QStringLiteral("&Alles markieren"));
    addCommand(changes, QStringLiteral("ChangeInvert1"), QStringLiteral("Markierung &umkehren"));
    addCommand(changes, QStringLiteral("SearchChanges1"), QStringLiteral("In Änderungen &suchen ..."));
    addCommand(changes, QStringLiteral("UndoChanges1"), QStringLiteral("Änderungen &rückgängig ..."));
    addCommand(changes, QStringLiteral("RemoveChanges1"), QStringLiteral("Einträge en&tfernen"));
    addCommand(changes, QStringLiteral("OpenChangeKey1"), QStringLiteral("Schlüssel &öffnen ..."));
    changes->addSeparator();
    addCommand(changes, QStringLiteral("OpenChanges1"), QStringLiteral("Änderungen ö&ffnen ..."));
    addCommand(changes, QStringLiteral("SaveChanges1"), QStringLiteral("Änderungen s&peichern ..."));
    changes->addSeparator();
    addCommand(changes, QStringLiteral("Watch1"), QStringLiteral("Än&derungen überwachen ..."),
               QKeySequence(Qt::CTRL | Qt::Key_W));

    // The first six items stay fixed; external tools are appended after the separator.
    QMenu* extras = menuBar()->addMenu(QStringLiteral("E&xtras"));
    extras->setObjectName(QStringLiteral("ExtrasMenu"));
    addCommand(extras, QStringLiteral("Options1"), QStringLiteral("&Optionen ..."), none, &TMainForm::OptionsClick);
    addCommand(extras, QStringLiteral("Memos1"), QStringLiteral("N&otizen verwalten ..."));
    addCommand(extras, QStringLiteral("Aliases1"), QStringLiteral("&Aliase verwalten ..."));
    addCommand(extras, QStringLiteral("CreateStructure1"), QStringLiteral("S&truktur erstellen ..."));
    addCommand(extras, QStringLiteral("Tools1"), QStringLiteral("&Tools ..."));
    extras->addSeparator();

    QMenu* window = menuBar()->addMenu(QStringLiteral("&Fenster"));
    addCommand(window, QStringLiteral("HalveWindow1"), QStringLiteral("&Fenster halbieren"), none,
               &TMainForm::HalveWindowClick);
    addCommand(window, QStringLiteral("MainLikeParallel1"), QStringLiteral("F&ensteransicht wie Parallelansicht"),
               none, &TMainForm::MainLikeParallelClick);
    addCommand(window, QStringLiteral("ParallelLikeMain1"), QStringLiteral("P&arallelansicht wie Fensteransicht"),
               none, &TMainForm::ParallelLikeMainClick);
    addCommand(window, QStringLiteral("ParallelBelow1"), QStringLiteral("&Parallelansicht unten"), none,
               &TMainForm::ParallelBelowClick);
    connect(window, &QMenu::aboutToShow, this, &TMainForm::updateWindowMenu);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Hilfe"));
    addCommand(help, QStringLiteral("HelpContents1"), QStringLiteral("&Inhalt"), none, &TMainForm::HelpContentsClick);
    addCommand(help, QStringLiteral("QuickHelp1"), QStringLiteral("Schnellhilfe"), QKeySequence(Qt::Key_F7),
               &TMainForm::QuickHelpClick);
    addCommand(help, QStringLiteral("ReadMe1"), QStringLiteral("ReadMe.txt lesen"), none, &TMainForm::ReadMeClick);

    // Held down, these act once: the key's auto-repeat is swallowed until it is released.
    for (const char* name : {"SearchAgain1", "Back1", "Forward1"})
        m_actions.value(QString::fromLatin1(name))->setAutoRepeat(false);

    m_keyMenu = buildKeyContextMenu();
    m_valueMenu = buildValueContextMenu();
    buildSearchPage();
    buildChangePage();
    buildWatch();
    buildHelp();
    buildAnnotations();
}

QMenu* TMainForm::buildKeyContextMenu()
{
    auto* menu = new QMenu(this);
    QMenu* newMenu = menu->addMenu(QStringLiteral("&Neu"));
    newMenu->addAction(m_actions.value(QStringLiteral("NewKey1")));
    newMenu->addSeparator();
    for (const char* name : {"NewString1", "NewBinary1", "NewDWord1"})
        newMenu->addAction(m_actions.value(QString::fromLatin1(name)));
    newMenu->addSeparator();
    newMenu->addAction(m_actions.value(QStringLiteral("NewStructure1")));
    menu->addSeparator();
    for (const char* name : std::initializer_list<const char*>{"Cut1", "Copy1", "Paste1", nullptr, "Delete1",
                                                               "Rename1", nullptr, "Refresh1", "StandardView1",
                                                               "CopyKeyPath1", "ShowCurrentKey1", nullptr}) {
        if (name)
            menu->addAction(m_actions.value(QString::fromLatin1(name)));
        else
            menu->addSeparator();
    }
    addCommand(menu, QStringLiteral("CreateMemo1"), QStringLiteral("S&chlüsselnotiz erstellen"));
    addCommand(menu, QStringLiteral("SetAlias1"), QStringLiteral("&Aliasname vergeben"));
    addCommand(menu, QStringLiteral("ReadStructure1"), QStringLiteral("St&ruktur einlesen"));
    menu->addSeparator();
    menu->addAction(m_actions.value(QStringLiteral("Properties1")));
    return menu;
}

QMenu* TMainForm::buildValueContextMenu()
{
    auto* menu = new QMenu(this);
    menu->addAction(m_actions.value(QStringLiteral("Change1")));
    QMenu* newMenu = menu->addMenu(QStringLiteral("&Neu"));
    for (const char* name : {"NewString1", "NewBinary1", "NewDWord1"})
        newMenu->addAction(m_actions.value(QString::fromLatin1(name)));
    menu->addSeparator();
    for (const char* name : std::initializer_list<const char*>{"Cut1", "Copy1", "Paste1", nullptr, "Delete1",
                                                               "Rename1", nullptr, "Properties1"}) {
        if (name)
            menu->addAction(m_actions.value(QString::fromLatin1(name)));
        else
            menu->addSeparator();
    }
    return menu;
}

void TMainForm::buildToolBars()
{
    QStyle* s = style();
    m_toolsBar = new QToolBar(QStringLiteral("Werkzeugleiste"), this);
    m_toolsBar->setObjectName(QStringLiteral("ToolsTB"));
    m_toolsBar->setIconSize(QSize(16, 16));
    const std::pair<const char*, QStyle::StandardPixmap> tools[] = {{"ImportRegFile1", QStyle::SP_DialogOpenButton},
                                                                    {"ExportRegFile1", QStyle::SP_DialogSaveButton},
                                                                    {nullptr, {}},
                                                                    {"Cut1", QStyle::SP_DialogDiscardButton},
                                                                    {"Copy1", QStyle::SP_FileDialogNewFolder},
                                                                    {"Paste1", QStyle::SP_DialogApplyButton},
                                                                    {"Undo1", QStyle::SP_ArrowBack},
                                                                    {nullptr, {}},
                                                                    {"Delete1", QStyle::SP_TrashIcon},
                                                                    {"Refresh1", QStyle::SP_BrowserReload},
                                                                    {nullptr, {}},
                                                                    {"Search1", QStyle::SP_FileDialogContentsView},
                                                                    {"HelpContents1", QStyle::SP_DialogHelpButton}};
    const QHash<QString, QString> tips = {{QStringLiteral("Cut1"), QStringLiteral("Ausschneiden")},
                                          {QStringLiteral("Copy1"), QStringLiteral("Kopieren")},
                                          {QStringLiteral("Paste1"), QStringLiteral("Einfügen")},
                                          {QStringLiteral("Undo1"), QStringLiteral("Rückgängig")},
                                          {QStringLiteral("HelpContents1"), QStringLiteral("Hilfe")}};
    for (const auto& [name, pixmap] : tools) {
        if (!name) {
            m_toolsBar->addSeparator();
            continue;
        }
        QAction* a = m_actions.value(QString::fromLatin1(name));
        if (a->icon().isNull())
            a->setIcon(s->standardIcon(pixmap));
        m_toolsBar->addAction(a);
        if (tips.contains(a->objectName()))
            m_toolsBar->widgetForAction(a)->setToolTip(tips.value(a->objectName()));
    }
    m_actions.value(QStringLiteral("NewKey1"))->setIcon(KavenIcons::icon(KavenIcons::KeyClosed));
    m_actions.value(QStringLiteral("NewString1"))->setIcon(KavenIcons::icon(KavenIcons::StringValue));
    m_actions.value(QStringLiteral("NewDWord1"))->setIcon(KavenIcons::icon(KavenIcons::DwordValue));
    m_actions.value(QStringLiteral("NewBinary1"))->setIcon(KavenIcons::icon(KavenIcons::OtherValue));

    m_netWorkBar = new QToolBar(QStringLiteral("Netzwerkleiste"), this);
    m_netWorkBar->setObjectName(QStringLiteral("NetWorkTB"));
    m_netWorkBar->setIconSize(QSize(16, 16));
    m_machineCombo = new QComboBox;
    m_machineCombo->setObjectName(QStringLiteral("MachineComboBox"));
    m_machineCombo->addItem(LocalMachineWord);
    m_machineCombo->setMinimumContentsLength(16);
    m_netWorkBar->addWidget(m_machineCombo);
    QAction* connectAction = m_actions.value(QStringLiteral("NetConnect1"));
    connectAction->setIcon(s->standardIcon(QStyle::SP_DriveNetIcon));
    m_netWorkBar->addAction(connectAction);
    m_netWorkBar->widgetForAction(connectAction)->setToolTip(QStringLiteral("Netzwerkverbindung herstellen"));

    m_historyBar = new QToolBar(QStringLiteral("Historyleiste"), this);
    m_historyBar->setObjectName(QStringLiteral("HistoryTB"));
    m_historyBar->setIconSize(QSize(16, 16));
    QAction* back = m_actions.value(QStringLiteral("Back1"));
    QAction* forward = m_actions.value(QStringLiteral("Forward1"));
    back->setIcon(s->standardIcon(QStyle::SP_ArrowLeft));
    forward->setIcon(s->standardIcon(QStyle::SP_ArrowRight));
    m_historyBar->addAction(back);
    m_historyBar->addAction(forward);
    m_historyBar->widgetForAction(back)->setToolTip(QStringLiteral("Schlüssel zurück"));
    m_historyBar->widgetForAction(forward)->setToolTip(QStringLiteral("Schlüssel vorwärts"));
    m_historyCombo = new QComboBox;
    m_historyCombo->setObjectName(QStringLiteral("HistoryComboBox"));
    m_historyCombo->setEditable(true);
    m_historyCombo->setMinimumContentsLength(40);
    m_historyCombo->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_historyBar->addWidget(m_historyCombo);

    const std::pair<const char*, QToolBar*> toggles[] = {
        {"ToolsBar1", m_toolsBar}, {"NetWorkBar1", m_netWorkBar}, {"HistoryBar1", m_historyBar}};
    for (const auto& [name, bar] : toggles) {
        QAction* a = m_actions.value(QString::fromLatin1(name));
        connect(a, &QAction::toggled, bar, &QWidget::setVisible);
        connect(bar, &QToolBar::visibilityChanged, a, [this, a, bar] {
            if (isVisible() && !m_restoringLayout)
                a->setChecked(bar->isVisible());
        });
    }
    addToolBar(m_toolsBar);
    addToolBar(m_netWorkBar);
    addToolBarBreak();
    addToolBar(m_historyBar);
}
