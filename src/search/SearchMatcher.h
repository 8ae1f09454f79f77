#pragma once

// What the search decides on one key or one value, whatever walk brings them: the criteria, the text
// each kind of candidate is compared as, and which keys, value names and data match.

#include "platform/WinTypes.h"
#include "search/TextMatcher.h"

#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace SearchFlags {
inline constexpr DWORD SingleRoot = 1;             // stop at the end of the starting root key
inline constexpr DWORD OnlyCurrentKey = 2;         // only the subtree of the selected key
inline constexpr DWORD ListResults = 4;            // list every match instead of stopping at the first
inline constexpr DWORD KeyNames = 8;
inline constexpr DWORD ValueNames = 16;
inline constexpr DWORD ValueData = 32;
inline constexpr DWORD StringTypes = 64;           // REG_SZ and REG_EXPAND_SZ
inline constexpr DWORD DWordType = 128;            // REG_DWORD
inline constexpr DWORD OtherTypes = 256;           // every other type
inline constexpr DWORD StartKeyName = 512;         // the start key's own name is matched too
inline constexpr DWORD StartAtDefaultValue = 1024; // the start key's default value is the position
inline constexpr DWORD Default = KeyNames | StringTypes;
inline constexpr DWORD AnyContent = KeyNames | ValueNames | ValueData;
inline constexpr DWORD AnyType = StringTypes | DWordType | OtherTypes;
} // namespace SearchFlags

struct SearchCriteria {
    QString text;                                       // "SearchLineA"
    DWORD contentFlags = SearchFlags::Default;          // "SearchFlagsA"
    DWORD compareFlags = CompareFlags::Default;         // "SearchCompareFlags"
};

enum class FoundKind { KeyName = 0, ValueName = 1, ValueData = 2 };

// Where a find-next search stopped.
struct SearchResult {
    bool found = false;
    FoundKind kind = FoundKind::KeyName;
    QString keyPath;
    QString valueName;
    DWORD type = REG_NONE;
};

// "Schlüssel", "Wert", "Daten": the found-at text of a result row.
[[nodiscard]] QString FoundAtText(FoundKind kind);

// The type bit (64, 128 or 256) a value of this type needs to take part.
[[nodiscard]] DWORD TypeFlagOf(DWORD type);

// "&Weitersuchen": a text, something to look in, and with bit 2 a selected key.
[[nodiscard]] bool CanSearchAgain(const SearchCriteria& criteria, bool keySelected);
// The dialog's "&Suchen": as above, and data alone needs at least one type.
[[nodiscard]] bool CanStartSearch(const QString& text, DWORD contentFlags, bool keySelected);

// Whether a value of the start key lies after the start position and is searched: with bit 1024
// every named value (the default value is the position); else every value whose name orders after
// startValue ignoring case, so a start value deleted meanwhile still resumes in its place.
[[nodiscard]] bool IsPastStartValue(QStringView name, const QString& startValue, bool startAtDefaultValue);

// The text a value's data is compared as. REG_SZ: the string up to its first zero; REG_EXPAND_SZ and
// REG_MULTI_SZ: their whole text, zero characters included; REG_DWORD: unsigned decimal; every other
// type: each byte as its Windows-1252 character. False for data no value record can hold (a
// REG_DWORD that is not 4 bytes), which the search passes over.
[[nodiscard]] bool ValueDataCandidate(DWORD type, QByteArrayView data, QString& text);

class SearchMatcher final {
public:
    explicit SearchMatcher(const SearchCriteria& criteria);

    [[nodiscard]] DWORD contentFlags() const { return m_flags; }
    [[nodiscard]] bool listsResults() const { return (m_flags & SearchFlags::ListResults) != 0; }
    // Whether the values of a key need to be read at all.
    [[nodiscard]] bool looksAtValues() const;

    // A key's own name (bit 8); the start key's name only with bit 512 as well.
    [[nodiscard]] bool matchKeyName(QStringView name, bool isStartKey = false) const;
    [[nodiscard]] bool typeTakesPart(DWORD type) const { return (m_flags & TypeFlagOf(type)) != 0; }
    // Bit 16 and the value's type taking part.
    [[nodiscard]] bool matchValueName(QStringView name, DWORD type) const;
    // Bit 32 and the value's type taking part. ASCII data and numbers are compared as they lie, without
    // a conversion; only other text is decoded first.
    [[nodiscard]] bool matchValueData(DWORD type, QByteArrayView data);

private:
    DWORD m_flags;
    TextMatcher m_text;
    QString m_buffer;
};
