#include "registry/AsciiCollation.h"

#include <QLocale>

#include <algorithm>
#include <mutex>
#include <vector>

namespace {

// Locales known to use the common order for these characters; others (Danish "aa", Czech "ch", ...) may
// treat a pair of them as one letter.
bool commonOrder(const QLocale& locale)
{
    return locale.language() == QLocale::German || locale.language() == QLocale::English;
}

} // namespace

AsciiCollation::AsciiCollation(const QCollator& collator)
{
    // A case-sensitive order weighs case after the whole name; ignored punctuation has no weight.
    if (!commonOrder(collator.locale()) || collator.caseSensitivity() != Qt::CaseInsensitive
        || collator.ignorePunctuation() || collator.numericMode())
        return;
    // The same table for every walk of a locale: the collator's order of the single characters.
    static std::mutex mutex;
    static QString tableLocale;
    static std::array<unsigned char, 128> table{};
    std::lock_guard lock(mutex);
    const QString name = collator.locale().name();
    if (tableLocale != name) {
        std::vector<QChar> chars;
        for (char16_t c = 0x20; c < 0x7f; ++c)
            chars.push_back(QChar(c));
        std::stable_sort(chars.begin(), chars.end(), [&](QChar a, QChar b) {
            return collator.compare(QStringView(&a, 1), QStringView(&b, 1)) < 0;
        });
        table = {};
        unsigned char weight = 0;
        for (size_t i = 0; i < chars.size(); ++i) {
            if (i == 0 || collator.compare(QStringView(&chars[i - 1], 1), QStringView(&chars[i], 1)) != 0)
                ++weight;
            table[chars[i].unicode()] = weight;
        }
        tableLocale = name;
    }
    m_weight = table;
    m_usable = true;
}

bool AsciiCollation::covers(QStringView name) const
{
    const auto weighed = [this](QChar c) { return c.unicode() < 128 && m_weight[c.unicode()] != 0; };
    return m_usable && std::all_of(name.begin(), name.end(), weighed);
}

int AsciiCollation::compareCovered(QStringView a, QStringView b) const
{
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const unsigned char wa = m_weight[a[i].unicode()];
        const unsigned char wb = m_weight[b[i].unicode()];
        if (wa != wb)
            return wa < wb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}
