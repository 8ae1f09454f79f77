#pragma once

// Windows compares registry names by simple per-character upper-casing: "ä" equals "Ä", while "ß"
// stays distinct from "SS" (no full case mapping).

#include <QString>
#include <QStringView>

[[nodiscard]] QString winUpper(QStringView text);
// The same into dst, which has room for text.size() characters.
void winUpperInto(QStringView text, QChar* dst);
[[nodiscard]] bool winEqualsNoCase(QStringView a, QStringView b);
// Order of upper-cased names by UTF-16 code units, as hives keep subkeys.
[[nodiscard]] int winCompareNoCase(QStringView a, QStringView b);
