#pragma once

// The order a case-blind collator gives names made of printable ASCII characters, without asking it for
// every comparison: for the locales whose order of these characters knows no contractions, each of them
// has one weight, and the first differing weight decides (a shorter name before a longer one it begins).
// The weights are the collator's own, taken from its order of the single characters.

#include <QCollator>
#include <QStringView>

#include <array>

class AsciiCollation final {
public:
    explicit AsciiCollation(const QCollator& collator);

    // Whether the collator's comparison of the name with another covered name is compareCovered.
    [[nodiscard]] bool covers(QStringView name) const;
    // The sign of the collator's comparison of two covered names.
    [[nodiscard]] int compareCovered(QStringView a, QStringView b) const;

private:
    bool m_usable = false;
    std::array<unsigned char, 128> m_weight{}; // 0: no weight, the collator decides
};
