#include "watch/TThreadForm.h"

#include "watch/WatchController.h"
#include "widgets/TDropDownCheckList.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>

#include <bit>

TThreadForm::TThreadForm(WatchController& watch, const QString& currentKeyPath, QWidget* parent)
    : QDialog(parent), m_watch(watch), m_currentKeyPath(currentKeyPath)
{
    setObjectName(QStringLiteral("ThreadForm"));
    setWindowTitle(QStringLiteral("Registrierung überwachen"));

    auto* current = new QLabel;
    current->setObjectName(QStringLiteral("CurrentKeyLabel"));
    current->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    current->setMinimumWidth(360);
    const QString shown = currentKeyPath.isEmpty() ? QStringLiteral("Kein Schlüssel gewählt") : currentKeyPath;
    current->setText(current->fontMetrics().elidedText(shown, Qt::ElideMiddle, 360));
    current->setToolTip(shown);
    auto* currentRow = new QHBoxLayout;
    currentRow->addWidget(new QLabel(QStringLiteral("Aktueller Schlüssel:")));
    currentRow->addWidget(current, 1);

    m_tabs = new QTabWidget;
    m_tabs->setObjectName(QStringLiteral("SlotTabs"));
    for (int slot = 0; slot < WatchSlotCount; ++slot) {
        m_tabs->addTab(buildPage(slot), QStringLiteral("Schlüssel%1").arg(slot + 1));
        showSlot(slot);
    }

    auto* buttons = new QDialogButtonBox;
    QPushButton* close = buttons->addButton(QStringLiteral("&Schließen"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("CloseButton"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(currentRow);
    layout->addWidget(m_tabs);
    layout->addWidget(buttons);
}

QWidget* TThreadForm::buildPage(int slot)
{
    Page& p = m_pages.at(size_t(slot));
    const QString n = QString::number(slot + 1);
    auto* page = new QWidget;
    p.path = new QLineEdit;
    p.path->setObjectName(QStringLiteral("KeyPathEdit") + n);
    p.path->setReadOnly(true);
    p.path->installEventFilter(this);
    p.insert = new QPushButton(QStringLiteral("Aktuellen Schlüssel einfügen"));
    p.insert->setObjectName(QStringLiteral("InsertKeyButton") + n);
    p.subtree = new QCheckBox(QStringLiteral("&Unterschlüssel einbeziehen"));
    p.subtree->setObjectName(QStringLiteral("SubtreeCheckBox") + n);
    p.silent = new QCheckBox(QStringLiteral("Stille &Meldung"));
    p.silent->setObjectName(QStringLiteral("SilentCheckBox") + n);
    p.filter = new QCheckBox(QStringLiteral("&Filter"));
    p.filter->setObjectName(QStringLiteral("FilterCheckBox") + n);
    p.filterPopup = new TDropDownCheckList;
    p.filterPopup->setObjectName(QStringLiteral("FilterButton") + n);
    for (const auto& bit : WatchFilterBits)
        p.filterPopup->addItem(QString(bit.name));
    connect(p.filterPopup, &TDropDownCheckList::itemToggled, this,
            [this, slot](int bit) { FilterBitClick(slot, bit); });
    p.active = new QCheckBox(QStringLiteral("&Aktiv"));
    p.active->setObjectName(QStringLiteral("ActiveCheckBox") + n);

    connect(p.insert, &QPushButton::clicked, this, [this, slot] {
        m_pages.at(size_t(slot)).path->setText(m_currentKeyPath);
        updateStates(slot);
    });
    connect(p.path, &QLineEdit::textChanged, this, [this, slot] { updateStates(slot); });
    connect(p.subtree, &QCheckBox::clicked, this, &TThreadForm::copyPagesToSlots);
    connect(p.silent, &QCheckBox::clicked, this, &TThreadForm::copyPagesToSlots);
    connect(p.filter, &QCheckBox::clicked, this, [this, slot] { FilterClick(slot); });
    connect(p.active, &QCheckBox::clicked, this, [this, slot] { ActiveClick(slot); });

    auto* grid = new QGridLayout(page);
    grid->addWidget(new QLabel(QStringLiteral("Schlüsselpfad:")), 0, 0, 1, 3);
    grid->addWidget(p.path, 1, 0, 1, 3);
    grid->addWidget(p.insert, 2, 2);
    grid->addWidget(p.subtree, 3, 0, 1, 2);
    grid->addWidget(p.silent, 4, 0, 1, 2);
    auto* filterRow = new QHBoxLayout;
    filterRow->addWidget(p.filter);
    filterRow->addWidget(p.filterPopup);
    filterRow->addStretch(1);
    grid->addLayout(filterRow, 5, 0, 1, 2);
    grid->addWidget(p.active, 6, 0);
    grid->setRowStretch(7, 1);
    grid->setColumnStretch(1, 1);
    return page;
}

void TThreadForm::showSlot(int slot)
{
    const WatchSlot& s = m_watch.watchSlots().at(size_t(slot));
    Page& p = m_pages.at(size_t(slot));
    p.path->setText(s.keyPath);
    p.subtree->setChecked(s.subtree);
    p.silent->setChecked(s.silent);
    p.active->setChecked(s.active);
    p.filterBits = s.filter;
    updateFilterBox(slot);
    updateStates(slot);
}

void TThreadForm::copyPagesToSlots()
{
    for (int slot = 0; slot < WatchSlotCount; ++slot) {
        WatchSlot& s = m_watch.watchSlots().at(size_t(slot));
        const Page& p = m_pages.at(size_t(slot));
        s.keyPath = p.path->text();
        s.subtree = p.subtree->isChecked();
        s.silent = p.silent->isChecked();
        s.filter = p.filterBits;
    }
}

void TThreadForm::updateStates(int slot)
{
    Page& p = m_pages.at(size_t(slot));
    const bool active = m_watch.watchSlots().at(size_t(slot)).active;
    p.active->setEnabled(!p.path->text().isEmpty());
    p.insert->setEnabled(!m_currentKeyPath.isEmpty() && !active);
    for (QWidget* w : std::initializer_list<QWidget*>{p.path, p.subtree, p.silent, p.filter, p.filterPopup})
        w->setEnabled(!active);
    m_tabs->setTabIcon(slot, style()->standardIcon(active ? QStyle::SP_MediaPlay : QStyle::SP_MediaStop));
}

void TThreadForm::updateFilterBox(int slot)
{
    Page& p = m_pages.at(size_t(slot));
    const int set = std::popcount(p.filterBits & REG_NOTIFY_ALL);
    p.filter->setCheckState(set == 0 ? Qt::Unchecked : set == 4 ? Qt::Checked : Qt::PartiallyChecked);
    for (size_t bit = 0; bit < WatchFilterBits.size(); ++bit)
        p.filterPopup->setItemChecked(int(bit), (p.filterBits & WatchFilterBits[bit].bit) != 0);
}

// A click checks the box with all four bits unless all four were set; greyed, it becomes checked.
void TThreadForm::FilterClick(int slot)
{
    Page& p = m_pages.at(size_t(slot));
    p.filterBits = (p.filterBits & REG_NOTIFY_ALL) == REG_NOTIFY_ALL ? 0 : REG_NOTIFY_ALL;
    updateFilterBox(slot);
}

void TThreadForm::FilterBitClick(int slot, int bit)
{
    Page& p = m_pages.at(size_t(slot));
    p.filterBits ^= WatchFilterBits.at(size_t(bit)).bit;
    updateFilterBox(slot);
}

void TThreadForm::ActiveClick(int slot)
{
    copyPagesToSlots();
    if (m_pages.at(size_t(slot)).active->isChecked())
        m_watch.activate(slot);
    else
        m_watch.deactivate(slot);
    updateStates(slot);
}

void TThreadForm::done(int result)
{
    copyPagesToSlots();
    QDialog::done(result);
}

bool TThreadForm::eventFilter(QObject* watched, QEvent* event)
{
    // The key path cannot be typed, only inserted; Delete empties it.
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        for (Page& p : m_pages) {
            if (watched == p.path && p.path->isEnabled()) {
                p.path->clear();
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}
