#pragma once

// What the hex box edits, without the window: the bytes, the pane typing goes to, the cursor and the
// selection anchor, and the effect of every key of the two panes.
//
// In the hexadecimal pane the cursor is a character position 3 * byte + 0, 1 or 2 (first digit, second
// digit, the gap after the pair); 3 * length is the first digit of the byte that typing appends. In
// the character pane it is a byte index from 0 to the length.

#include <QByteArray>
#include <QtGlobal>

class HexEditState final {
public:
    enum class Pane { Hex, Char };
    enum class Move { Right, Left, Down, Up };

    [[nodiscard]] const QByteArray& data() const { return m_data; }
    // Replaces all bytes; cursor to the start, no selection.
    void setData(const QByteArray& data);
    [[nodiscard]] int columns() const { return m_columns; }
    void setColumns(int columns);

    [[nodiscard]] Pane pane() const { return m_pane; }
    // The byte cursor goes along; in the hexadecimal pane to the first digit of its byte.
    void setPane(Pane pane);
    // Character position in the hexadecimal pane.
    [[nodiscard]] int hexPosition() const { return m_pos; }
    // The byte cursor: in the hexadecimal pane position div 3, plus 1 on a gap.
    [[nodiscard]] int cursor() const;
    // Clamped to the data; in the hexadecimal pane as a character position.
    void setHexPosition(int pos);
    void setCursor(int byteIndex);

    [[nodiscard]] int anchor() const { return m_anchor; } // -1: no selection
    void setAnchor(int byteIndex) { m_anchor = byteIndex; }
    void clearSelection() { m_anchor = -1; }
    [[nodiscard]] bool hasSelection() const { return m_anchor >= 0 && m_anchor != cursor(); }
    // First selected byte and the count.
    [[nodiscard]] int selectionStart() const;
    [[nodiscard]] int selectionLength() const;
    [[nodiscard]] QByteArray selectedBytes() const;
    [[nodiscard]] bool isSelected(int byteIndex) const;

    // Keys. Each returns whether anything (data or cursor) changed.
    bool move(Move move);
    bool deleteKey();     // Delete: the selection, else the byte under the cursor
    bool backspace();
    bool typeHexDigit(int nibble); // hexadecimal pane
    bool typeByte(char byte);      // character pane: inserts at the cursor
    // Removes the selection, inserts bytes at the cursor and moves the cursor after them.
    void insertBytes(const QByteArray& bytes);

private:
    [[nodiscard]] int length() const { return int(m_data.size()); }
    void removeSelection();

    QByteArray m_data;
    int m_columns = 8;
    Pane m_pane = Pane::Hex;
    int m_pos = 0;    // hexadecimal pane
    int m_cursor = 0; // character pane
    int m_anchor = -1;
};
