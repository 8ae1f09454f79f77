#include "editors/THexBox.h"

#include "editors/EditorTexts.h"
#include "platform/TextCodec.h"
#include "registry/HexDigit.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace {

const QString OctetFormat = QStringLiteral("application/octet-stream");

} // namespace

THexBox::THexBox(QWidget* parent) : QAbstractScrollArea(parent)
{
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    setFont(font);
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::StyledPanel);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    updateScrollBar();
}

void THexBox::setText(const QByteArray& data)
{
    m_state.setData(data);
    changed(true);
}

void THexBox::setHexColumns(int columns)
{
    m_state.setColumns(columns);
    changed(false);
}

void THexBox::setHexCounterLen(int digits)
{
    m_counterLen = std::clamp(digits, 1, 8);
    changed(false);
}

void THexBox::setPlaceholder(const QString& text)
{
    m_placeholder = text.isEmpty() ? QLatin1Char('.') : text.front();
    viewport()->update();
}

void THexBox::setExtraCodes(int from, int to)
{
    m_extra.reset();
    for (int code = std::max(0, from); code <= std::min(255, to); ++code)
        m_extra.set(size_t(code));
    viewport()->update();
}

void THexBox::setPane(HexEditState::Pane pane)
{
    m_state.setPane(pane);
    changed(false);
}

void THexBox::select(int anchor, int cursor)
{
    m_state.setCursor(cursor);
    m_state.setAnchor(anchor);
    changed(false);
}

void THexBox::typeCode(int code)
{
    setPane(HexEditState::Pane::Char);
    m_state.typeByte(char(quint8(code)));
    changed(true);
}

int THexBox::charWidth() const
{
    return std::max(1, fontMetrics().horizontalAdvance(QLatin1Char('W')));
}

int THexBox::lineHeight() const
{
    return std::max(1, fontMetrics().height());
}

int THexBox::lineCount() const
{
    const int length = int(m_state.data().size());
    return std::max(1, (length + HexColumns() - 1) / HexColumns());
}

QChar THexBox::shownChar(quint8 byte) const
{
    if (byte < 32 || m_extra.test(byte))
        return m_placeholder;
    const QChar c = TextCodec::fromWindows1252(QByteArray(1, char(byte))).front();
    return fontMetrics().inFont(c) ? c : m_placeholder;
}

QString THexBox::lineText(int line) const
{
    const QByteArray& data = m_state.data();
    const int first = line * HexColumns();
    QString text = QStringLiteral("%1").arg(first, m_counterLen, 16, QLatin1Char('0')).toUpper().right(m_counterLen);
    text += QLatin1String("  ");
    QString chars;
    for (int i = first; i < std::min<int>(first + HexColumns(), int(data.size())); ++i) {
        text += QStringLiteral("%1 ").arg(uint(quint8(data[i])), 2, 16, QLatin1Char('0')).toUpper();
        chars += shownChar(quint8(data[i]));
    }
    return text + QLatin1String("  ") + chars;
}

void THexBox::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    painter.setFont(font());
    const int cw = charWidth();
    const int lh = lineHeight();
    const int ascent = fontMetrics().ascent();
    const int top = verticalScrollBar()->value();
    const int x0 = -horizontalScrollBar()->value() + 2;
    const QByteArray& data = m_state.data();
    const int cols = HexColumns();
    const QColor text = palette().color(QPalette::Text);
    for (int line = top; line < lineCount() && (line - top) * lh < viewport()->height(); ++line) {
        const int y = (line - top) * lh;
        const QString counter = lineText(line).left(m_counterLen);
        painter.setPen(text);
        painter.drawText(x0, y + ascent, counter);
        for (int j = 0; j < cols && line * cols + j < data.size(); ++j) {
            const int index = line * cols + j;
            const auto byte = quint8(data[index]);
            const QString pair = QStringLiteral("%1").arg(uint(byte), 2, 16, QLatin1Char('0')).toUpper();
            const QRect hexCell(x0 + (hexColumn() + 3 * j) * cw, y, 2 * cw, lh);
            const QRect charCell(x0 + (charColumn() + j) * cw, y, cw, lh);
            const bool selected = m_state.isSelected(index);
            if (selected) {
                painter.fillRect(hexCell, Qt::darkBlue); // white on navy in both panes
                painter.fillRect(charCell, Qt::darkBlue);
            }
            painter.setPen(selected ? QColor(Qt::white) : text);
            painter.drawText(hexCell.left(), y + ascent, pair);
            painter.drawText(charCell.left(), y + ascent, QString(shownChar(byte)));
        }
    }
    if (!hasFocus())
        return;
    // The caret: a bar before the character position of the pane typing goes to.
    int line = 0;
    int column = 0;
    if (m_state.pane() == HexEditState::Pane::Hex) {
        line = m_state.hexPosition() / (3 * cols);
        column = hexColumn() + m_state.hexPosition() % (3 * cols);
    } else {
        line = m_state.cursor() / cols;
        column = charColumn() + m_state.cursor() % cols;
    }
    painter.fillRect(QRect(x0 + column * cw, (line - top) * lh, 2, lh), text);
}

void THexBox::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if (key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt) {
        event->accept();
        return;
    }
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    if (ctrl && key == Qt::Key_C) {
        copySelection();
        return;
    }
    if (ctrl && key == Qt::Key_V) {
        paste();
        return;
    }
    bool dataChanged = false;
    switch (key) {
    case Qt::Key_Right:
        m_state.move(HexEditState::Move::Right);
        break;
    case Qt::Key_Left:
        m_state.move(HexEditState::Move::Left);
        break;
    case Qt::Key_Down:
        m_state.move(HexEditState::Move::Down);
        break;
    case Qt::Key_Up:
        m_state.move(HexEditState::Move::Up);
        break;
    case Qt::Key_Delete:
        dataChanged = m_state.deleteKey();
        break;
    case Qt::Key_Backspace:
        dataChanged = m_state.backspace();
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Tab:
    case Qt::Key_Escape:
        QAbstractScrollArea::keyPressEvent(event); // the dialog's default and cancel buttons
        return;
    default: {
        m_state.clearSelection();
        const QString typed = event->text();
        if (ctrl || typed.isEmpty() || typed.front() < QLatin1Char(' ')) {
            QAbstractScrollArea::keyPressEvent(event);
            changed(false);
            return;
        }
        if (m_state.pane() == HexEditState::Pane::Hex)
            dataChanged = m_state.typeHexDigit(HexDigitValue(typed.front()));
        else
            for (char byte : ClipTextToBytes(typed))
                dataChanged = m_state.typeByte(byte) || dataChanged;
        break;
    }
    }
    event->accept();
    changed(dataChanged);
}

void THexBox::placeCursor(const QPoint& pos, bool setAnchor)
{
    const int cw = charWidth();
    const int line = std::max(0, pos.y() / lineHeight() + verticalScrollBar()->value());
    // Boundaries: a click in the right half of a cell counts for the boundary after it.
    const double column = double(pos.x() - 2 + horizontalScrollBar()->value()) / cw;
    const int cols = HexColumns();
    if (setAnchor)
        m_dragPane = column >= charColumn() - 1 ? HexEditState::Pane::Char : HexEditState::Pane::Hex;
    m_state.setPane(m_dragPane);
    if (m_dragPane == HexEditState::Pane::Char) {
        const int boundary = std::clamp(int(std::lround(column - charColumn())), 0, cols);
        m_state.setCursor(line * cols + boundary);
    } else {
        const int boundary = std::clamp(int(std::lround(column - hexColumn())), 0, 3 * cols - 1);
        m_state.setHexPosition(line * 3 * cols + boundary);
    }
    if (setAnchor)
        m_state.setAnchor(m_state.cursor());
    changed(false);
}

void THexBox::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    setFocus(Qt::MouseFocusReason);
    placeCursor(event->position().toPoint(), true);
}

void THexBox::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return;
    const int anchor = m_state.anchor();
    placeCursor(event->position().toPoint(), false);
    m_state.setAnchor(anchor);
    viewport()->update();
}

void THexBox::copySelection() const
{
    if (!m_state.hasSelection())
        return;
    const QByteArray bytes = m_state.selectedBytes();
    auto* data = new QMimeData;
    data->setData(OctetFormat, bytes);
    data->setText(BytesToClipText(bytes));
    QApplication::clipboard()->setMimeData(data);
}

void THexBox::paste()
{
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (!data)
        return;
    if (data->hasFormat(OctetFormat))
        m_state.insertBytes(data->data(OctetFormat));
    else if (data->hasText())
        m_state.insertBytes(ClipTextToBytes(data->text()));
    else
        return;
    changed(true);
}

void THexBox::changed(bool dataChanged)
{
    updateScrollBar();
    scrollToCursor();
    viewport()->update();
    if (dataChanged)
        emit textChanged();
}

void THexBox::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBar();
}

void THexBox::updateScrollBar()
{
    const int visible = std::max(1, viewport()->height() / lineHeight());
    // One line more than the data when the cursor stands after a full last line.
    const int lines = int(m_state.data().size()) / HexColumns() + 1;
    verticalScrollBar()->setRange(0, std::max(0, lines - visible));
    verticalScrollBar()->setPageStep(visible);
    const int width = (charColumn() + HexColumns() + 1) * charWidth();
    horizontalScrollBar()->setRange(0, std::max(0, width - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
}

void THexBox::scrollToCursor()
{
    const int cols = HexColumns();
    const int line = m_state.pane() == HexEditState::Pane::Hex ? m_state.hexPosition() / (3 * cols)
                                                                : m_state.cursor() / cols;
    const int visible = std::max(1, viewport()->height() / lineHeight());
    QScrollBar* bar = verticalScrollBar();
    if (line < bar->value())
        bar->setValue(line);
    else if (line >= bar->value() + visible)
        bar->setValue(line - visible + 1);
}
