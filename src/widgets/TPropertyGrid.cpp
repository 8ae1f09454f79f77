#include "widgets/TPropertyGrid.h"

#include "widgets/TFlatButton.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QScopedValueRollback>

namespace {

enum Column { NameColumn, ValueColumn, ButtonColumn };

} // namespace

TPropertyGrid::TPropertyGrid(QWidget* parent) : QTableWidget(0, 3, parent)
{
    setHorizontalHeaderLabels({QStringLiteral("Eigenschaft"), QStringLiteral("Wert"), QString()});
    verticalHeader()->hide();
    horizontalHeader()->setSectionResizeMode(NameColumn, QHeaderView::ResizeToContents);
    horizontalHeader()->setSectionResizeMode(ValueColumn, QHeaderView::Stretch);
    horizontalHeader()->setSectionResizeMode(ButtonColumn, QHeaderView::ResizeToContents);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(DoubleClicked | EditKeyPressed | AnyKeyPressed | SelectedClicked);
    setTabKeyNavigation(false);
    setWordWrap(false);
    // Only the value cells become current: keys and typing always reach a value.
    connect(this, &QTableWidget::currentCellChanged, this, [this](int row, int column) {
        if (row >= 0 && column != ValueColumn)
            setCurrentCell(row, ValueColumn);
    });
    connect(this, &QTableWidget::itemChanged, this, &TPropertyGrid::itemEdited);
}

int TPropertyGrid::addRow(const QString& name, const QString& value, bool withButton)
{
    const int row = rowCount();
    const QScopedValueRollback quiet(m_quiet, true);
    insertRow(row);
    auto* nameItem = new QTableWidgetItem(name);
    nameItem->setFlags(Qt::ItemIsEnabled);
    setItem(row, NameColumn, nameItem);
    setItem(row, ValueColumn, new QTableWidgetItem(value));
    auto* empty = new QTableWidgetItem;
    empty->setFlags(Qt::ItemIsEnabled);
    setItem(row, ButtonColumn, empty);
    if (withButton) {
        auto* button = new TFlatButton(name + QStringLiteral(" wählen"), this);
        button->setText(QStringLiteral("..."));
        button->setFocusPolicy(Qt::NoFocus); // the grid keeps the focus; Ctrl+Enter presses it
        connect(button, &QToolButton::clicked, this, [this, row] { emit buttonClicked(row); });
        setCellWidget(row, ButtonColumn, button);
    }
    return row;
}

QString TPropertyGrid::value(int row) const
{
    return item(row, ValueColumn)->text();
}

void TPropertyGrid::setValue(int row, const QString& value)
{
    const QScopedValueRollback quiet(m_quiet, true);
    item(row, ValueColumn)->setText(value);
}

QToolButton* TPropertyGrid::rowButton(int row) const
{
    return qobject_cast<QToolButton*>(cellWidget(row, ButtonColumn));
}

void TPropertyGrid::itemEdited(QTableWidgetItem* item)
{
    if (!m_quiet && item->column() == ValueColumn)
        emit valueEdited(item->row(), item->text());
}

void TPropertyGrid::keyPressEvent(QKeyEvent* event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & Qt::ControlModifier) && state() != EditingState) {
        if (QToolButton* button = rowButton(currentRow()))
            button->click();
        return;
    }
    QTableWidget::keyPressEvent(event);
}
