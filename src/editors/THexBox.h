#pragma once

// The hex box: a byte string as lines of an offset counter, hexadecimal byte pairs and characters,
// editable in either pane with the keyboard, selectable with the mouse, with copy and paste.
// The clipboard carries the selected bytes twice: exactly, as "application/octet-stream", and as text
// (each byte its Windows-1252 character, NUL as U+0000), so nothing is lost between two hex boxes and
// other programs still get text.

#include "editors/HexEditState.h"

#include <QAbstractScrollArea>

#include <bitset>

class THexBox final : public QAbstractScrollArea {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(THexBox)

public:
    explicit THexBox(QWidget* parent = nullptr);

    [[nodiscard]] QByteArray Text() const { return m_state.data(); }
    void setText(const QByteArray& data);
    [[nodiscard]] int HexColumns() const { return m_state.columns(); }
    void setHexColumns(int columns);
    [[nodiscard]] int HexCounterLen() const { return m_counterLen; }
    void setHexCounterLen(int digits);
    // The first character of the text stands for bytes not shown as characters ("." by default).
    void setPlaceholder(const QString& text);
    // Byte codes shown as the placeholder as well (the binary editor: 128 to 159).
    void setExtraCodes(int from, int to);
    void setPane(HexEditState::Pane pane);
    [[nodiscard]] const HexEditState& state() const { return m_state; }
    // Selects from anchor (-1: nothing) to the byte cursor in the current pane.
    void select(int anchor, int cursor);
    // Inserts one byte at the cursor, as if typed in the character pane.
    void typeCode(int code);

    // Geometry in characters of the font.
    [[nodiscard]] int charWidth() const;
    [[nodiscard]] int lineHeight() const;
    [[nodiscard]] int hexColumn() const { return m_counterLen + 2; }
    [[nodiscard]] int charColumn() const { return hexColumn() + 3 * HexColumns() + 2; }
    [[nodiscard]] int lineCount() const;
    // The text of one line as drawn (counter, pairs, characters).
    [[nodiscard]] QString lineText(int line) const;

signals:
    void textChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    [[nodiscard]] QChar shownChar(quint8 byte) const;
    void placeCursor(const QPoint& pos, bool setAnchor);
    void copySelection() const;
    void paste();
    void changed(bool dataChanged);
    void updateScrollBar();
    void scrollToCursor();

    HexEditState m_state;
    int m_counterLen = 4;
    QChar m_placeholder = QLatin1Char('.');
    std::bitset<256> m_extra;
    HexEditState::Pane m_dragPane = HexEditState::Pane::Hex;
};
