#include "search/TextMatcher.h"

#include <QStringList>

#include <array>

namespace {

// Per-character upper-casing, one character stays one character ("ß" stays "ß", "ä" becomes "Ä"),
// the same on search text and candidate. The first 256 characters, where nearly all registry text
// lives, come from a table.
std::array<char16_t, 256> makeLatinUpper()
{
    std::array<char16_t, 256> table{};
    for (int c = 0; c < 256; ++c)
        table[c] = QChar::toUpper(char16_t(c));
    return table;
}

const std::array<char16_t, 256> LatinUpper = makeLatinUpper();

inline char16_t upperUnit(char16_t c)
{
    return c < 256 ? LatinUpper[c] : char16_t(QChar::toUpper(c));
}

enum class Operator { None, Or, And, Not };

struct Word {
    QString text;
    bool quoted = false;
};

Operator operatorOf(const Word& word)
{
    if (word.quoted)
        return Operator::None; // a quoted OR is text
    const QString upper = word.text.toUpper();
    if (upper == QLatin1String("OR") || upper == QLatin1String("|"))
        return Operator::Or;
    if (upper == QLatin1String("AND") || upper == QLatin1String("&"))
        return Operator::And;
    if (upper == QLatin1String("NOT") || upper == QLatin1String("!"))
        return Operator::Not;
    return Operator::None;
}

// Words at single blanks (several blanks give no empty words); a word beginning with a double quote
// opens a phrase that takes the following words, joined by one blank, up to the first word ending
// with a double quote. Both quotes go; a phrase never closed runs to the end of the text.
std::vector<Word> splitWords(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QChar quote = QLatin1Char('"');
    std::vector<Word> words;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (!parts[i].startsWith(quote)) {
            words.push_back({parts[i], false});
            continue;
        }
        QString phrase = parts[i];
        bool closed = phrase.size() > 1 && phrase.endsWith(quote);
        while (!closed && i + 1 < parts.size()) {
            phrase += QLatin1Char(' ') + parts[++i];
            closed = parts[i].endsWith(quote);
        }
        phrase.remove(0, 1);
        if (closed)
            phrase.chop(1);
        if (!phrase.isEmpty()) // "" stands for nothing
            words.push_back({phrase, true});
    }
    return words;
}

} // namespace

TextMatcher::TextMatcher(const QString& searchText, DWORD compareFlags)
    : m_caseSensitive((compareFlags & CompareFlags::CaseSensitive) != 0)
{
    if (compareFlags & CompareFlags::Logical)
        parseExpression(searchText);
    if (m_alternatives.empty()) {
        m_wholeString = (compareFlags & (CompareFlags::Substring | CompareFlags::Logical)) == 0;
        m_alternatives.push_back({Term{prepared(searchText), false}});
    }
}

// Logical expression. Alternatives are split at OR or "|"; inside one, terms side by side, or joined
// by AND or "&", must all match; NOT or "!" negates the next term. Operators in a row:
//   - a run of AND and OR splits the alternatives when it holds an OR ("a OR AND b" is "a OR b");
//   - each NOT turns the negation over, so "NOT NOT a" is "a"; an AND after NOT is passed over
//     ("NOT AND a" is "NOT a"); an OR, or the end of the text, drops a NOT still waiting for its term;
//   - an alternative without any term (a leading or trailing OR) is dropped.
// A text of operators alone has no term: it is searched as it stands, so "!" finds "!".
void TextMatcher::parseExpression(const QString& searchText)
{
    Alternative current;
    bool negate = false;
    const auto close = [&] {
        if (!current.empty())
            m_alternatives.push_back(std::move(current));
        current.clear();
        negate = false;
    };
    for (const Word& word : splitWords(searchText)) {
        switch (operatorOf(word)) {
        case Operator::Or:
            close();
            break;
        case Operator::And:
            break;
        case Operator::Not:
            negate = !negate;
            break;
        case Operator::None:
            current.push_back({prepared(word.text), negate});
            negate = false;
            break;
        }
    }
    close();
}

QString TextMatcher::prepared(QStringView text) const
{
    QString out = text.toString();
    if (!m_caseSensitive) {
        for (QChar& c : out)
            c = QChar(upperUnit(c.unicode()));
    }
    return out;
}

namespace {

// A plain scan for the needle's first character: needles are short and most candidates short too.
template <typename Text, typename Fold>
bool containsFolded(Text candidate, QStringView needle, Fold fold)
{
    const qsizetype n = needle.size();
    if (n == 0)
        return true;
    const char16_t first = needle[0].unicode();
    for (qsizetype i = 0, last = candidate.size() - n; i <= last; ++i) {
        if (fold(candidate[i].unicode()) != first)
            continue;
        qsizetype k = 1;
        while (k < n && fold(candidate[i + k].unicode()) == needle[k].unicode())
            ++k;
        if (k == n)
            return true;
    }
    return false;
}

template <typename Text, typename Fold>
bool equalsFolded(Text candidate, QStringView needle, Fold fold)
{
    if (candidate.size() != needle.size())
        return false;
    for (qsizetype i = 0; i < candidate.size(); ++i) {
        if (fold(candidate[i].unicode()) != needle[i].unicode())
            return false;
    }
    return true;
}

char16_t same(char16_t c)
{
    return c;
}

} // namespace

template <typename Text>
bool TextMatcher::contains(Text candidate, QStringView needle) const
{
    return m_caseSensitive ? containsFolded(candidate, needle, same) : containsFolded(candidate, needle, upperUnit);
}

template <typename Text>
bool TextMatcher::equals(Text candidate, QStringView needle) const
{
    return m_caseSensitive ? equalsFolded(candidate, needle, same) : equalsFolded(candidate, needle, upperUnit);
}

template <typename Text>
bool TextMatcher::matchesIn(Text candidate) const
{
    for (const Alternative& alternative : m_alternatives) {
        bool all = true;
        for (const Term& term : alternative) {
            const bool found = m_wholeString ? equals(candidate, term.text) : contains(candidate, term.text);
            if (found == term.negated) {
                all = false;
                break;
            }
        }
        if (all)
            return true;
    }
    return false;
}

bool TextMatcher::matches(QStringView candidate) const
{
    return matchesIn(candidate);
}

bool TextMatcher::matches(QLatin1StringView candidate) const
{
    return matchesIn(candidate);
}

bool MatchText(const QString& searchText, QStringView candidate, DWORD compareFlags)
{
    return TextMatcher(searchText, compareFlags).matches(candidate);
}
