#pragma once

// Texts the value editors read and write: numbers in the four bases of the DWORD editor, colour texts
// ("255 128 0") and icon locations ("shell32.dll,3") of the string editor.

#include <QString>
#include <QtGlobal>

// CharType of a number field: 0 hexadecimal, 1 decimal, 2 octal, 3 binary.
enum class CharType : int { Hex = 0, Decimal = 1, Octal = 2, Binary = 3 };

[[nodiscard]] int BaseOf(CharType type);
[[nodiscard]] bool IsDigitOf(QChar c, CharType type);
// Reads digits from the right end, skipping characters that are no digits of the base; stops before
// the first digit that would carry the sum beyond 32 bits. An empty text gives 0.
[[nodiscard]] quint32 ReadNumber(const QString& text, CharType type);
// Without leading zeros, hexadecimal in upper case; 0 is "0".
[[nodiscard]] QString WriteNumber(quint32 value, CharType type);

struct RgbColor {
    int red = 0;
    int green = 0;
    int blue = 0;
    friend bool operator==(const RgbColor&, const RgbColor&) = default;
};
// "r g b": three decimal parts (0..255) separated by single blanks.
[[nodiscard]] bool ParseColorText(const QString& text, RgbColor& color);
[[nodiscard]] QString ColorText(const RgbColor& color);
// A DWORD as a colour: the low byte red, then green, then blue.
[[nodiscard]] RgbColor ColorOfDWord(quint32 value);
[[nodiscard]] quint32 DWordOfColor(const RgbColor& color);

// "file,index": the part before the last comma is the file (not empty), after it a decimal index
// (a leading "-" names a resource number).
[[nodiscard]] bool ParseIconLocation(const QString& text, QString& file, int& index);
[[nodiscard]] QString IconLocationText(const QString& file, int index);

// Bytes of the hex box on the clipboard as text: each byte is its Windows-1252 character (NUL
// included, as U+0000), so the text maps back to the same bytes. A text with characters outside
// Windows-1252 (typed elsewhere) comes back as UTF-8.
[[nodiscard]] QString BytesToClipText(const QByteArray& bytes);
[[nodiscard]] QByteArray ClipTextToBytes(const QString& text);
