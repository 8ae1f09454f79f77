#include "search/SearchMatcher.h"

#include "platform/TextCodec.h"
#include "platform/WinCase.h"

#include <QtEndian>

#include <algorithm>

namespace {

bool isAscii(QByteArrayView data)
{
    return std::all_of(data.begin(), data.end(), [](char c) { return (c & 0x80) == 0; });
}

// ASCII widened into the caller's buffer, which keeps its capacity from one value to the next.
void widenAscii(QByteArrayView data, QString& text)
{
    text.resize(data.size());
    QChar* out = text.data();
    for (qsizetype i = 0; i < data.size(); ++i)
        out[i] = QChar(char16_t(data[i]));
}

void setDecimal(quint32 number, QString& text)
{
    char16_t digits[10];
    int count = 0;
    do {
        digits[count++] = char16_t(u'0' + number % 10);
        number /= 10;
    } while (number != 0);
    text.resize(count);
    for (int i = 0; i < count; ++i)
        text[i] = QChar(digits[count - 1 - i]);
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
    switch (type) {
    case REG_SZ: {
        const qsizetype end = data.indexOf('\0');
        data = data.first(end < 0 ? data.size() : end);
        break;
    }
    case REG_DWORD:
        // an empty REG_DWORD reads as 0, as the value list shows it
        if (!data.isEmpty() && data.size() != 4)
            return false;
        setDecimal(data.isEmpty() ? 0 : qFromLittleEndian<quint32>(data.data()), text);
        return true;
    default:
        break;
    }
    if (isAscii(data))
        widenAscii(data, text);
    else if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ)
        text = QString::fromUtf8(data); // the registry's 8-bit string data is UTF-8 here
    else
        text = TextCodec::fromWindows1252(data);
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
    return ValueDataCandidate(type, data, m_buffer) && m_text.matches(m_buffer);
}
