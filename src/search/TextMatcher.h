#pragma once

// The text comparison of the search, its replace, delete and check tools and the registry file
// header test. A search text is parsed once into a TextMatcher, which then tests any number of
// candidates without parsing again and without allocating.

#include "platform/WinTypes.h"

#include <QLatin1StringView>
#include <QString>
#include <QStringView>

#include <vector>

namespace CompareFlags {
inline constexpr DWORD CaseSensitive = 1; // "Groß-/ &Kleinschreibung"
inline constexpr DWORD Substring = 2;     // cleared by "&Nur ganze Wörter": the whole candidate must equal
inline constexpr DWORD Logical = 4;       // "&Logische Operatoren zulassen"
inline constexpr DWORD Default = Substring | Logical;
} // namespace CompareFlags

class TextMatcher final {
public:
    // Parses searchText for the compare flags (see TextMatcher.cpp for the expression rules).
    TextMatcher(const QString& searchText, DWORD compareFlags);

    [[nodiscard]] bool matches(QStringView candidate) const;
    // Latin-1 text (registry data that is plain ASCII), compared without converting it first.
    [[nodiscard]] bool matches(QLatin1StringView candidate) const;

private:
    struct Term {
        QString text; // upper-cased when the comparison ignores case
        bool negated = false;
    };
    using Alternative = std::vector<Term>;

    void parseExpression(const QString& searchText);
    template <typename Text>
    [[nodiscard]] bool matchesIn(Text candidate) const;
    template <typename Text>
    [[nodiscard]] bool contains(Text candidate, QStringView needle) const;
    template <typename Text>
    [[nodiscard]] bool equals(Text candidate, QStringView needle) const;
    [[nodiscard]] QString prepared(QStringView text) const;

    bool m_caseSensitive = false;
    bool m_wholeString = false;
    std::vector<Alternative> m_alternatives;
};

// One comparison; parses searchText each time, so loops build a TextMatcher instead.
[[nodiscard]] bool MatchText(const QString& searchText, QStringView candidate, DWORD compareFlags);
