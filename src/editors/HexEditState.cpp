#include "editors/HexEditState.h"

#include <algorithm>
#include <cstdlib>

void HexEditState::setData(const QByteArray& data)
{
    m_data = data;
    m_pos = 0;
    m_cursor = 0;
    m_anchor = -1;
}

void HexEditState::setColumns(int columns)
{
    m_columns = std::max(1, columns);
}

void HexEditState::setPane(Pane pane)
{
    if (pane == m_pane)
        return;
    const int byte = cursor();
    m_pane = pane;
    setCursor(byte);
}

int HexEditState::cursor() const
{
    if (m_pane == Pane::Char)
        return m_cursor;
    return std::min(length(), m_pos / 3 + (m_pos % 3 == 2 ? 1 : 0));
}

void HexEditState::setHexPosition(int pos)
{
    m_pos = std::clamp(pos, 0, 3 * length());
}

void HexEditState::setCursor(int byteIndex)
{
    byteIndex = std::clamp(byteIndex, 0, length());
    if (m_pane == Pane::Char)
        m_cursor = byteIndex;
    else
        m_pos = 3 * byteIndex;
}

int HexEditState::selectionStart() const
{
    return std::min(std::clamp(m_anchor, 0, length()), cursor());
}

int HexEditState::selectionLength() const
{
    return hasSelection() ? std::abs(std::clamp(m_anchor, 0, length()) - cursor()) : 0;
}

QByteArray HexEditState::selectedBytes() const
{
    return m_data.mid(selectionStart(), selectionLength());
}

bool HexEditState::isSelected(int byteIndex) const
{
    return hasSelection() && byteIndex >= selectionStart() && byteIndex < selectionStart() + selectionLength();
}

bool HexEditState::move(Move move)
{
    m_anchor = -1;
    const bool hex = m_pane == Pane::Hex;
    int& at = hex ? m_pos : m_cursor;
    const int end = hex ? 3 * length() : length();
    const int line = hex ? 3 * m_columns : m_columns;
    int to = at;
    switch (move) {
    case Move::Right:
        to = std::min(at + 1, end);
        break;
    case Move::Left:
        to = std::max(at - 1, 0);
        break;
    case Move::Down:
        to = at + line <= end ? at + line : at;
        break;
    case Move::Up:
        to = at - line >= 0 ? at - line : at;
        break;
    }
    const bool changed = to != at;
    at = to;
    return changed;
}

void HexEditState::removeSelection()
{
    if (!hasSelection()) {
        m_anchor = -1;
        return;
    }
    const int start = selectionStart();
    m_data.remove(start, selectionLength());
    m_anchor = -1;
    setCursor(start);
}

bool HexEditState::deleteKey()
{
    if (hasSelection()) {
        removeSelection();
        return true;
    }
    m_anchor = -1;
    if (m_pane == Pane::Char) {
        if (m_cursor >= length())
            return false;
        m_data.remove(m_cursor, 1);
        return true;
    }
    const bool gap = m_pos % 3 == 2;
    const int byte = m_pos / 3 + (gap ? 1 : 0);
    if (byte >= length())
        return false;
    m_data.remove(byte, 1);
    if (!gap)
        m_pos = 3 * byte; // the next byte slides under the cursor
    setHexPosition(m_pos);
    return true;
}

bool HexEditState::backspace()
{
    m_anchor = -1;
    if (m_pane == Pane::Char) {
        if (m_cursor == 0)
            return false;
        m_data.remove(--m_cursor, 1);
        return true;
    }
    if (m_pos % 3 == 0) {
        // On a pair boundary: the byte before goes.
        if (m_pos == 0)
            return false;
        m_data.remove(m_pos / 3 - 1, 1);
        m_pos -= 3;
        return true;
    }
    // Inside a pair (second digit, or the gap after it): that byte goes.
    const int byte = m_pos / 3;
    m_data.remove(byte, 1);
    m_pos = 3 * byte;
    return true;
}

bool HexEditState::typeHexDigit(int nibble)
{
    if (nibble < 0 || nibble > 15)
        return false;
    m_anchor = -1;
    if (m_pane != Pane::Hex)
        return false;
    const int byte = m_pos / 3;
    const int part = m_pos % 3;
    if (m_pos >= 3 * length()) {
        m_data.append(char(nibble << 4));
        m_pos = 3 * (length() - 1) + 1;
        return true;
    }
    if (part == 2) {
        m_data.insert(byte + 1, char(nibble << 4));
        m_pos = 3 * (byte + 1) + 1;
        return true;
    }
    const auto old = quint8(m_data[byte]);
    m_data[byte] = char(part == 0 ? (old & 0x0F) | (nibble << 4) : (old & 0xF0) | nibble);
    ++m_pos;
    return true;
}

bool HexEditState::typeByte(char byte)
{
    m_anchor = -1;
    if (m_pane != Pane::Char)
        return false;
    m_data.insert(m_cursor, byte);
    ++m_cursor;
    return true;
}

void HexEditState::insertBytes(const QByteArray& bytes)
{
    removeSelection();
    const int at = cursor();
    m_data.insert(at, bytes);
    setCursor(at + int(bytes.size()));
}
