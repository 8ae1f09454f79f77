#include "editors/EditorTexts.h"

#include "platform/TextCodec.h"
#include "registry/HexDigit.h"

#include <algorithm>

namespace {

bool isDecimal(const QString& text)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

bool readByte(const QString& text, int& value)
{
    if (!isDecimal(text) || text.size() > 3)
        return false;
    value = text.toInt();
    return value <= 255;
}

} // namespace

int BaseOf(CharType type)
{
    switch (type) {
    case CharType::Hex:
        return 16;
    case CharType::Decimal:
        return 10;
    case CharType::Octal:
        return 8;
    case CharType::Binary:
        return 2;
    }
    return 16;
}

bool IsDigitOf(QChar c, CharType type)
{
    const int d = HexDigitValue(c);
    return d >= 0 && d < BaseOf(type);
}

quint32 ReadNumber(const QString& text, CharType type)
{
    const quint64 base = quint64(BaseOf(type));
    constexpr quint64 limit = 0xFFFFFFFFull;
    quint64 sum = 0;
    quint64 weight = 1;
    for (qsizetype i = text.size() - 1; i >= 0; --i) {
        if (!IsDigitOf(text[i], type))
            continue;
        const quint64 d = quint64(HexDigitValue(text[i]));
        // weight is held at 2^32 at most, so neither product nor sum can overflow 64 bits.
        if (d != 0 && (weight > limit || sum + d * weight > limit))
            break;
        sum += d * weight;
        weight = std::min(weight * base, limit + 1);
    }
    return quint32(sum);
}

QString WriteNumber(quint32 value, CharType type)
{
    return QString::number(value, BaseOf(type)).toUpper();
}

bool ParseColorText(const QString& text, RgbColor& color)
{
    const qsizetype first = text.indexOf(u' ');
    if (first < 0)
        return false;
    const qsizetype second = text.indexOf(u' ', first + 1);
    if (second < 0)
        return false;
    RgbColor c;
    if (!readByte(text.left(first), c.red) || !readByte(text.mid(first + 1, second - first - 1), c.green)
        || !readByte(text.mid(second + 1), c.blue))
        return false;
    color = c;
    return true;
}

QString ColorText(const RgbColor& color)
{
    return QStringLiteral("%1 %2 %3").arg(color.red).arg(color.green).arg(color.blue);
}

RgbColor ColorOfDWord(quint32 value)
{
    return {int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF)};
}

quint32 DWordOfColor(const RgbColor& color)
{
    return quint32(color.red) | quint32(color.green) << 8 | quint32(color.blue) << 16;
}

bool ParseIconLocation(const QString& text, QString& file, int& index)
{
    const qsizetype comma = text.lastIndexOf(u',');
    if (comma <= 0)
        return false;
    QString number = text.mid(comma + 1).trimmed();
    const bool negative = number.startsWith(u'-');
    if (negative)
        number.remove(0, 1);
    if (!isDecimal(number) || number.size() > 9)
        return false;
    file = text.left(comma).trimmed();
    index = negative ? -number.toInt() : number.toInt();
    return !file.isEmpty();
}

QString IconLocationText(const QString& file, int index)
{
    return file + QLatin1Char(',') + QString::number(index);
}

QString BytesToClipText(const QByteArray& bytes)
{
    return TextCodec::fromWindows1252(bytes);
}

QByteArray ClipTextToBytes(const QString& text)
{
    return TextCodec::fitsWindows1252(text) ? TextCodec::toWindows1252(text) : text.toUtf8();
}
