#include "platform/wine/WineText.h"

#include <QtEndian>

namespace {

// FILETIME ticks at 1970-01-01 and per second.
constexpr quint64 TicksTo1970 = 116444736000000000ULL;
constexpr quint64 TicksPerSecond = 10000000ULL;

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    return (c | 0x20) - 'a' + 10;
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

void skipSpaces(QByteArrayView line, qsizetype* pos)
{
    while (*pos < line.size() && isSpace(line[*pos]))
        ++*pos;
}

char at(QByteArrayView line, qsizetype pos)
{
    return pos < line.size() ? line[pos] : '\0';
}

// A byte above 127 in a hand-edited file: the UTF-8 sequence it starts, else the byte as Latin-1.
qsizetype readRawCharacter(QByteArrayView line, qsizetype pos, QString* text)
{
    const uchar c = uchar(line[pos]);
    const int length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    if (length > 1 && pos + length <= line.size()) {
        const QString decoded = QString::fromUtf8(line.sliced(pos, length));
        if (!decoded.contains(QChar::ReplacementCharacter)) {
            text->append(decoded);
            return length;
        }
    }
    text->append(QChar(c));
    return 1;
}

// Hex bytes separated by commas; a backslash at the end of a line goes on on the next one.
bool parseHexBytes(QByteArrayView line, qsizetype pos, const std::function<bool(QByteArrayView*)>& nextLine,
                   QByteArray* data)
{
    for (;;) {
        while (isHexDigit(at(line, pos))) {
            quint64 byte = 0;
            while (isHexDigit(at(line, pos))) {
                byte = std::min<quint64>(byte * 16 + quint64(hexValue(line[pos])), 0x1000);
                ++pos;
            }
            if (byte > 0xFF)
                return false;
            data->append(char(byte));
            skipSpaces(line, &pos);
            if (at(line, pos) == ',')
                ++pos;
            skipSpaces(line, &pos);
        }
        skipSpaces(line, &pos);
        if (pos >= line.size())
            return true;
        if (line[pos] != '\\' || !nextLine(&line))
            return false;
        pos = 0;
        skipSpaces(line, &pos);
    }
}

// The type tag after "=": the value's type and whether its data is an escaped string.
qsizetype parseTypeTag(QByteArrayView line, qsizetype pos, DWORD* type, bool* isString, bool* isDword)
{
    struct Tag {
        const char* text;
        DWORD type;
        bool string;
    };
    static constexpr Tag Tags[] = {{"\"", REG_SZ, true},
                                   {"str:\"", REG_SZ, true},
                                   {"str(2):\"", REG_EXPAND_SZ, true},
                                   {"str(7):\"", REG_MULTI_SZ, true},
                                   {"hex:", REG_BINARY, false},
                                   {"dword:", REG_DWORD, false}};
    const QByteArrayView rest = line.sliced(pos);
    *isDword = false;
    for (const Tag& tag : Tags) {
        if (rest.startsWith(QByteArrayView(tag.text))) {
            *type = tag.type;
            *isString = tag.string;
            *isDword = tag.type == REG_DWORD;
            return qstrlen(tag.text);
        }
    }
    if (!rest.startsWith("hex("))
        return 0;
    qsizetype p = 4;
    quint64 number = 0;
    while (isHexDigit(at(rest, p)) && number <= 0xFFFFFFFFULL)
        number = number * 16 + quint64(hexValue(rest[p++]));
    if (p == 4 || !rest.sliced(p).startsWith("):"))
        return 0;
    *type = DWORD(number);
    *isString = false;
    return p + 2;
}

DWORD parseDword(QByteArrayView line, qsizetype pos)
{
    skipSpaces(line, &pos);
    if (at(line, pos) == '0' && (at(line, pos + 1) | 0x20) == 'x' && isHexDigit(at(line, pos + 2)))
        pos += 2;
    quint64 number = 0;
    while (isHexDigit(at(line, pos))) {
        number = number * 16 + quint64(hexValue(line[pos++]));
        if (number > 0xFFFFFFFFULL)
            return 0xFFFFFFFFu; // the server reads past 32 bits and keeps the saturated low half
    }
    return DWORD(number);
}

} // namespace

namespace WineText {

QByteArray escape(QStringView text, const char quote[2])
{
    static const char Escapes[33] = ".......abtnvfr.............e....";
    QByteArray out;
    out.reserve(text.size() + 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        const qsizetype left = text.size() - i;
        const char16_t next = left > 1 ? text[i + 1].unicode() : 0;
        if (c > 127) {
            const bool hexFollows = left > 1 && next < 128 && isHexDigit(char(next));
            out += QByteArray::number(c, 16).rightJustified(hexFollows ? 4 : 0, '0').prepend("\\x");
        } else if (c < 32) {
            if (c == 0 && left == 1)
                continue; // the terminating NUL
            if (Escapes[c] != '.')
                out += QByteArray("\\") + Escapes[c];
            else if (left > 1 && next >= '0' && next <= '7')
                out += "\\" + QByteArray::number(c, 8).rightJustified(3, '0');
            else
                out += "\\" + QByteArray::number(c, 8);
        } else {
            if (c == '\\' || c == char16_t(quote[0]) || c == char16_t(quote[1]))
                out += '\\';
            out += char(c);
        }
    }
    return out;
}

bool unescape(QByteArrayView line, qsizetype* pos, char end, QString* text)
{
    qsizetype p = *pos;
    text->clear();
    while (p < line.size() && line[p] != end) {
        if (line[p] != '\\') {
            p += uchar(line[p]) < 0x80 ? (text->append(QLatin1Char(line[p])), 1) : readRawCharacter(line, p, text);
            continue;
        }
        ++p;
        const char c = at(line, p);
        char16_t value = 0;
        switch (c) {
        case 'a':
            value = '\a';
            ++p;
            break;
        case 'b':
            value = '\b';
            ++p;
            break;
        case 'e':
            value = 0x1B;
            ++p;
            break;
        case 'f':
            value = '\f';
            ++p;
            break;
        case 'n':
            value = '\n';
            ++p;
            break;
        case 'r':
            value = '\r';
            ++p;
            break;
        case 't':
            value = '\t';
            ++p;
            break;
        case 'v':
            value = '\v';
            ++p;
            break;
        case 'x':
            ++p;
            if (!isHexDigit(at(line, p))) {
                value = 'x';
                break;
            }
            for (int n = 0; n < 4 && isHexDigit(at(line, p)); ++n)
                value = char16_t(value * 16 + hexValue(line[p++]));
            break;
        case '\0':
            if (p >= line.size())
                return false; // a backslash at the very end
            value = 0;
            ++p;
            break;
        default:
            if (c >= '0' && c <= '7') {
                for (int n = 0; n < 3 && at(line, p) >= '0' && at(line, p) <= '7'; ++n)
                    value = char16_t(value * 8 + (line[p++] - '0'));
            } else if (uchar(c) >= 0x80) {
                p += readRawCharacter(line, p, text);
                continue;
            } else {
                value = char16_t(uchar(c));
                ++p;
            }
        }
        text->append(QChar(value));
    }
    if (p >= line.size())
        return false;
    *pos = p + 1;
    return true;
}

QByteArray valueLines(const QString& name, DWORD type, QByteArrayView data)
{
    QByteArray out;
    int count = 2;
    if (name.isEmpty()) {
        out = "@=";
    } else {
        out = '"' + escape(name, "\"\"") + "\"=";
        count = int(out.size());
    }
    const bool stringType = type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
    if (stringType && data.size() >= 2 && data.size() % 2 == 0 && data[data.size() - 1] == 0
        && data[data.size() - 2] == 0) {
        if (type != REG_SZ)
            out += "str(" + QByteArray::number(type, 16) + "):";
        return out + '"' + escape(fromUtf16(data), "\"\"") + "\"\n";
    }
    if (type == REG_DWORD && data.size() == 4)
        return out + "dword:" + QByteArray::number(qFromLittleEndian<quint32>(data.data()), 16).rightJustified(8, '0')
            + '\n';
    const QByteArray tag = type == REG_BINARY ? QByteArray("hex:") : "hex(" + QByteArray::number(type, 16) + "):";
    out += tag;
    count += int(tag.size());
    for (qsizetype i = 0; i < data.size(); ++i) {
        out += QByteArray::number(uchar(data[i]), 16).rightJustified(2, '0');
        count += 2;
        if (i < data.size() - 1) {
            out += ',';
            if (++count > 76) {
                out += "\\\n  ";
                count = 2;
            }
        }
    }
    return out + '\n';
}

bool parseValue(QByteArrayView line, const std::function<bool(QByteArrayView*)>& nextLine, ParsedValue* value)
{
    qsizetype pos = 0;
    skipSpaces(line, &pos);
    value->name.clear();
    value->type = REG_NONE;
    value->data.clear();
    if (at(line, pos) == '@') {
        ++pos;
    } else {
        ++pos; // the opening quote
        if (!unescape(line, &pos, '"', &value->name))
            return false;
    }
    skipSpaces(line, &pos);
    if (at(line, pos) != '=')
        return false;
    ++pos;
    skipSpaces(line, &pos);
    DWORD type = REG_NONE;
    bool isString = false;
    bool isDword = false;
    const qsizetype tag = parseTypeTag(line, pos, &type, &isString, &isDword);
    if (!tag)
        return false;
    pos += tag;
    if (isString) {
        QString text;
        if (!unescape(line, &pos, '"', &text))
            return false;
        value->data = toUtf16(text) + QByteArray(2, '\0');
    } else if (isDword) {
        value->data.resize(4);
        qToLittleEndian<quint32>(parseDword(line, pos), value->data.data());
    } else if (!parseHexBytes(line, pos, nextLine, &value->data)) {
        value->data.clear();
        return false;
    }
    value->type = type;
    return true;
}

QByteArray keySeconds(quint64 fileTime)
{
    return QByteArray::number(quint32((fileTime - TicksTo1970) / TicksPerSecond));
}

QByteArray timeOption(quint64 fileTime)
{
    return "#time=" + QByteArray::number(quint32(fileTime >> 32), 16)
        + QByteArray::number(quint32(fileTime), 16).rightJustified(8, '0');
}

quint64 parseTimeOption(QByteArrayView hex)
{
    quint64 value = 0;
    for (qsizetype i = 0; i < hex.size() && isHexDigit(hex[i]); ++i)
        value = (value << 4) | quint64(hexValue(hex[i]));
    return value;
}

QByteArray toUtf16(QStringView text)
{
    QByteArray bytes(text.size() * 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        qToLittleEndian<quint16>(text[i].unicode(), bytes.data() + 2 * i);
    return bytes;
}

QString fromUtf16(QByteArrayView bytes)
{
    QString text(bytes.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        text[i] = QChar(qFromLittleEndian<quint16>(bytes.data() + 2 * i));
    return text;
}

} // namespace WineText
