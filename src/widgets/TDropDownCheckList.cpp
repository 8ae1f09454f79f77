#include "widgets/TDropDownCheckList.h"

#include <QKeyEvent>
#include <QListWidget>

TDropDownCheckList::TDropDownCheckList(QWidget* parent) : TDropDown(parent), m_list(new QListWidget)
{
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setPopupWidget(m_list);
    // Items are not user-checkable: the list would toggle a box itself and the click handler again.
    connect(m_list, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { toggleItem(m_list->row(item)); });
}

void TDropDownCheckList::addItem(const QString& name)
{
    auto* item = new QListWidgetItem(name, m_list);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->setCheckState(Qt::Unchecked);
    if (!m_list->currentItem())
        m_list->setCurrentItem(item);
    fitList();
}

int TDropDownCheckList::count() const
{
    return m_list->count();
}

QString TDropDownCheckList::itemText(int index) const
{
    return m_list->item(index)->text();
}

bool TDropDownCheckList::isItemChecked(int index) const
{
    return m_list->item(index)->checkState() == Qt::Checked;
}

void TDropDownCheckList::setItemChecked(int index, bool checked)
{
    m_list->item(index)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

void TDropDownCheckList::toggleItem(int index)
{
    if (index < 0 || index >= count())
        return;
    const bool checked = !isItemChecked(index);
    setItemChecked(index, checked);
    emit itemToggled(index, checked);
}

// The list shows every name without scrolling.
void TDropDownCheckList::fitList()
{
    int height = 2 * m_list->frameWidth();
    for (int row = 0; row < m_list->count(); ++row)
        height += m_list->sizeHintForRow(row);
    m_list->setFixedSize(m_list->sizeHintForColumn(0) + 2 * m_list->frameWidth() + 16, height);
}

bool TDropDownCheckList::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) {
            toggleItem(m_list->currentRow());
            return true;
        }
    }
    return TDropDown::eventFilter(watched, event);
}
