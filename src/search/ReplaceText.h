#pragma once

// The text replacement of "Ersetzen": how one name or one datum changes for a search text and its
// replacement under the dialog's compare options.

#include "platform/WinTypes.h"

#include <QString>

#include <optional>

namespace ReplaceCompare {
inline constexpr DWORD CaseSensitive = 1; // "Groß-/ &Kleinschreibung"
inline constexpr DWORD Substring = 2;     // cleared by "&Nur ganze Wörter"
inline constexpr DWORD FirstOnly = 8;     // "Nur &erstes Vorkommen"
inline constexpr DWORD Default = 10;
} // namespace ReplaceCompare

// Substring mode replaces every occurrence from left to right and goes on after the inserted
// replacement, so a replacement that holds the search text is never replaced again; FirstOnly stops
// after one. Whole mode gives the replacement when the whole text equals the search text. An empty
// text stays empty.
[[nodiscard]] QString ReplaceText(const QString& text, const QString& find, const QString& replacement,
                                  DWORD compareFlags);

// A DWORD's data after its decimal text was replaced: the text keeps only the characters of a number
// (digits, A to F, one leading "$", "+" or "-"), "$" reads it as hexadecimal, nothing left is 0. No
// value when what is left is no number that fits 32 bits ("12AB" without "$", too many digits).
[[nodiscard]] std::optional<DWORD> ReducedDWord(const QString& text);
