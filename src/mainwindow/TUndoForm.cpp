#include "mainwindow/TUndoForm.h"

#include "info/MultiTextPaint.h"
#include "mainwindow/TUndoList.h"
#include "registry/RegMessageUtils.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QFontMetrics>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace {

constexpr int LinesRole = Qt::UserRole + 1;
constexpr int Margin = 4;

int entryHeight(const QFont& font)
{
    return 3 * QFontMetrics(font).height() + 10;
}

// Draws an entry's three markup lines.
class UndoEntryDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        opt.text.clear();
        opt.widget->style()->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);
        painter->save();
        painter->setFont(opt.font);
        const bool selected = opt.state & QStyle::State_Selected;
        painter->setPen(opt.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        const int lineHeight = QFontMetrics(opt.font).height();
        const QStringList lines = index.data(LinesRole).toStringList();
        for (int i = 0; i < lines.size(); ++i) {
            const QRect line(opt.rect.left() + Margin, opt.rect.top() + 5 + i * lineHeight,
                             opt.rect.width() - 2 * Margin, lineHeight);
            DrawMarkupLine(*painter, line, lines[i]);
        }
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override
    {
        return {option.rect.width(), entryHeight(option.font)};
    }
};

} // namespace

TUndoForm::TUndoForm(TUndoList& undo, QWidget* parent) : QDialog(parent), m_undo(undo)
{
    setWindowTitle(QStringLiteral("Rückgängig - Auswahl"));
    auto* layout = new QVBoxLayout(this);
    m_list = new QListWidget(this);
    m_list->setSelectionMode(QAbstractItemView::MultiSelection);
    m_list->setItemDelegate(new UndoEntryDelegate(m_list));
    m_list->setMinimumSize(420, 4 * entryHeight(font()));
    m_list->viewport()->installEventFilter(this);
    layout->addWidget(m_list);

    auto* buttons = new QDialogButtonBox(this);
    m_undoButton = buttons->addButton(QStringLiteral("&Rückgängig"), QDialogButtonBox::AcceptRole);
    m_undoButton->setDefault(true);
    m_clearButton = buttons->addButton(QStringLiteral("Rückgängig - Liste &leeren"), QDialogButtonBox::ActionRole);
    buttons->addButton(QStringLiteral("&Schließen"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_clearButton, &QPushButton::clicked, this, &TUndoForm::ClearClick);
    connect(m_list, &QListWidget::itemSelectionChanged, this, &TUndoForm::updateButtons);
    layout->addWidget(buttons);
    fill();
}

void TUndoForm::fill()
{
    m_list->clear();
    const int width = m_list->minimumWidth() - 2 * Margin - 20;
    const auto fits = [&](const QString& line) { return MarkupLineWidth(font(), line) <= width; };
    for (int group = 0; group < m_undo.GroupCount(); ++group) {
        auto* item = new QListWidgetItem(m_list);
        item->setData(LinesRole, UndoEntryLines(m_undo.GroupItems(group), fits));
        item->setSizeHint(QSize(width, entryHeight(font())));
    }
    updateButtons();
}

void TUndoForm::updateButtons()
{
    m_undoButton->setEnabled(!m_list->selectedItems().isEmpty());
}

void TUndoForm::extendSelection()
{
    int first = -1;
    for (int row = 0; row < m_list->count() && first < 0; ++row)
        if (m_list->item(row)->isSelected())
            first = row;
    if (first < 0)
        return;
    for (int row = first; row < m_list->count(); ++row)
        m_list->item(row)->setSelected(true);
}

int TUndoForm::undoCount() const
{
    int count = 0;
    for (int row = m_list->count() - 1; row >= 0 && m_list->item(row)->isSelected(); --row)
        ++count;
    return count;
}

bool TUndoForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_list->viewport() && event->type() == QEvent::MouseButtonRelease) {
        const bool handled = QDialog::eventFilter(watched, event);
        // After the list has taken the click, the selection grows down to the newest group.
        QMetaObject::invokeMethod(this, &TUndoForm::extendSelection, Qt::QueuedConnection);
        return handled;
    }
    return QDialog::eventFilter(watched, event);
}

void TUndoForm::ClearClick()
{
    if (!AskYesNo(QStringLiteral("Die Daten gehen unwiderruflich verloren.\r\nWirklich entfernen?")))
        return;
    m_undo.Clear();
    m_list->clear();
    updateButtons();
}
