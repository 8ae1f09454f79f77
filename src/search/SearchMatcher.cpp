#include "search/SearchMatcher.h"

#include "platform/TextCodec.h"
#include "platform/WinCase.h"

#include <QtEndian>

#include <array>
#include <cstring>

namespace {

// Most registry data is ASCII; such data is compared as it lies, without a conversion.
bool isAscii(QByteArrayView data)
{
    const char* p = data.data();
    qsizetype n = data.size();
    for (; n >= 8; p += 8, n -= 8) {
        quint64 word;
        std::memcpy(&word, p, 8);
        if (word & 0x8080808080808080ULL)
            return false;
    }
    for (; n > 0; ++p, --n) {
        if (*p & 0x80)
            return false;
    }
    return true;
}

// The bytes whose text is compared: a REG_SZ ends at its first zero.
QByteArrayView comparedBytes(DWORD type, QByteArrayView data)
{
    if (type != REG_SZ)
        return data;
    const qsizetype end = data.indexOf('\0');
    return end < 0 ? data : data.first(end);
}

// A REG_DWORD's number; false for data no value record holds (an empty REG_DWORD reads as 0, as the
// value list shows it).
bool dwordOf(QByteArrayView data, quint32& number)
{
    if (!data.isEmpty() && data.size() != 4)
        return false;
    number = data.isEmpty() ? 0 : qFromLittleEndian<quint32>(data.data());
    return true;
}

QLatin1StringView decimal(quint32 number, std::array<char, 10>& digits)
{
    std::size_t at = digits.size();
    do {
        digits[--at] = char('0' + number % 10);
        number /= 10;
    } while (number != 0);
    return QLatin1StringView(digits.data() + at, qsizetype(digits.size() - at));
}

} // namespace

QString FoundAtText(FoundKind kind)
{
    switch (kind) {
    case FoundKind::KeyName:
        return QStringLiteral("Schlüssel");
    case FoundKind::ValueName:
        return QStringLiteral("Wert");
    case FoundKind::ValueData:
        break;
    }
    return QStringLiteral("Daten");
}

DWORD TypeFlagOf(DWORD type)
{
    if (type == REG_SZ || type == REG_EXPAND_SZ)
        return SearchFlags::StringTypes;
    return type == REG_DWORD ? SearchFlags::DWordType : SearchFlags::OtherTypes;
}

bool CanSearchAgain(const SearchCriteria& criteria, bool keySelected)
{
    return !criteria.text.isEmpty() && (criteria.contentFlags & SearchFlags::AnyContent) != 0
        && (keySelected || (criteria.contentFlags & SearchFlags::OnlyCurrentKey) == 0);
}

bool CanStartSearch(const QString& text, DWORD contentFlags, bool keySelected)
{
    const DWORD content = contentFlags & SearchFlags::AnyContent;
    const bool dataWithoutType = content == SearchFlags::ValueData && (contentFlags & SearchFlags::AnyType) == 0;
    return CanSearchAgain({text, contentFlags, 0}, keySelected) && !dataWithoutType;
}

bool IsPastStartValue(QStringView name, const QString& startValue, bool startAtDefaultValue)
{
    if (startAtDefaultValue)
        return !name.isEmpty();
    return startValue.isEmpty() || winCompareNoCase(name, startValue) > 0;
}

bool ValueDataCandidate(DWORD type, QByteArrayView data, QString& text)
{
    if (type == REG_DWORD) {
        quint32 number = 0;
        if (!dwordOf(data, number))
            return false;
        text = QString::number(number);
    } else if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
        text = QString::fromUtf8(comparedBytes(type, data)); // the registry's 8-bit string data is UTF-8 here
    } else {
        text = TextCodec::fromWindows1252(data);
    }
    return true;
}

SearchMatcher::SearchMatcher(const SearchCriteria& criteria)
    : m_flags(criteria.contentFlags)
    , m_text(criteria.text, criteria.compareFlags)
{
}

bool SearchMatcher::looksAtValues() const
{
    return (m_flags & (SearchFlags::ValueNames | SearchFlags::ValueData)) != 0
        && (m_flags & SearchFlags::AnyType) != 0;
}

bool SearchMatcher::matchKeyName(QStringView name, bool isStartKey) const
{
    if ((m_flags & SearchFlags::KeyNames) == 0)
        return false;
    if (isStartKey && (m_flags & SearchFlags::StartKeyName) == 0)
        return false;
    return m_text.matches(name);
}

bool SearchMatcher::matchValueName(QStringView name, DWORD type) const
{
    return (m_flags & SearchFlags::ValueNames) != 0 && typeTakesPart(type) && m_text.matches(name);
}

bool SearchMatcher::matchValueData(DWORD type, QByteArrayView data)
{
    if ((m_flags & SearchFlags::ValueData) == 0 || !typeTakesPart(type))
        return false;
    if (type == REG_DWORD) {
        quint32 number = 0;
        std::array<char, 10> digits;
        return dwordOf(data, number) && m_text.matches(decimal(number, digits));
    }
    const QByteArrayView bytes = comparedBytes(type, data);
    if (isAscii(bytes))
        return m_text.matches(QLatin1StringView(bytes));
    return ValueDataCandidate(type, bytes, m_buffer) && m_text.matches(m_buffer);
}
