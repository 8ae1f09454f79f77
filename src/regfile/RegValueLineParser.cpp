#include "regfile/RegValueLineParser.h"

#include "regfile/RegFileError.h"
#include "registry/HexDigit.h"

// Every rule below reports its failure through *error; the public functions turn it into a result.

namespace {

constexpr char16_t Quote = u'"';
constexpr char16_t Backslash = u'\\';

bool isBlank(QChar c)
{
    return c.unicode() <= 32;
}

bool fail(QString* error, const QString& text)
{
    *error = text;
    return false;
}

bool startsWithNoCase(QStringView text, QStringView prefix)
{
    return text.startsWith(prefix, Qt::CaseInsensitive);
}

bool onlyBlanks(QStringView text)
{
    for (QChar c : text) {
        if (c != u' ')
            return false;
    }
    return true;
}

// A quote preceded by an odd number of backslashes is part of the text, not a delimiter.
bool isEscaped(QStringView line, qsizetype pos)
{
    qsizetype run = 0;
    while (pos - run - 1 >= 0 && line[pos - run - 1] == Backslash)
        ++run;
    return run % 2 == 1;
}

// The "=" between name and data of a quoted string line: quotes on both sides, or a blank on at
// least one side with only blanks up to the quotes around it. Names and strings may hold "=".
// The quote before the separator must close the name: an escaped quote or the opening quote would
// only lead to a name that cannot be read, so such an "=" is taken as part of the name.
qsizetype findStringSeparator(QStringView line)
{
    for (qsizetype i = 1; i + 1 < line.size(); ++i) {
        if (line[i] != u'=')
            continue;
        const QChar before = line[i - 1];
        const QChar after = line[i + 1];
        qsizetype open = -1;
        if (before == Quote && after == Quote) {
            open = i - 1;
        } else if (before == u' ' || after == u' ') {
            open = line.left(i).lastIndexOf(Quote);
            const qsizetype close = line.indexOf(Quote, i + 1);
            if (open < 0 || close < 0 || !onlyBlanks(line.mid(open + 1, i - open - 1))
                || !onlyBlanks(line.mid(i + 1, close - i - 1)))
                continue;
        } else {
            continue;
        }
        if (open > 0 && !isEscaped(line, open))
            return i;
    }
    return -1;
}

qsizetype findSeparator(QStringView line, QString* error)
{
    if (line.startsWith(u'@')) {
        const qsizetype sep = line.indexOf(u'=');
        if (sep > 1 && !RegValueLineParser::trimLine(line.mid(1, sep - 1)).isEmpty()) {
            *error = QStringLiteral("Ungültige Wert-Daten-Zuordnung: (@")
                     + RegValueLineParser::trimLine(line.mid(1, sep)).toString() + u')';
            return -2;
        }
        return sep;
    }
    if (line.startsWith(Quote) && line.size() >= 2 && line.endsWith(Quote))
        return findStringSeparator(line);
    return line.lastIndexOf(u'=');
}

// A quoted text: the quotes removed and the escapes undone.
bool unescape(QStringView text, QString* plain, QString* error);

bool parseQuoted(QStringView text, QString* plain, QString* error)
{
    if (text.size() < 2 || !text.startsWith(Quote) || !text.endsWith(Quote))
        return fail(error, RegFileTexts::MissingQuote);
    return unescape(text.mid(1, text.size() - 2), plain, error);
}

bool parseDWord(QStringView data, TRegValueLine* parsed, RegFileFormat format, QString* error)
{
    QStringView digits = RegValueLineParser::trimLine(data.mid(data.indexOf(u':') + 1));
    if (digits.startsWith(u'$'))
        digits = digits.mid(1);
    // Version 5 files in use write leading zeros beyond eight digits (dword:0ffffffff); the value fits.
    while (format == RegFileFormat::Version5 && digits.size() > 8 && digits.startsWith(u'0'))
        digits = digits.mid(1);
    // More than 8 digits cannot be a 32-bit value; refusing them keeps the file's meaning intact.
    if (digits.isEmpty() || digits.size() > 8)
        return fail(error, RegFileTexts::BadDWordChars);
    DWORD value = 0;
    for (QChar c : digits) {
        const int d = HexDigitValue(c);
        if (d < 0)
            return fail(error, RegFileTexts::BadDWordChars);
        value = (value << 4) | DWORD(d);
    }
    parsed->Kind = RegValueKind::DWord;
    parsed->DWordDigits = digits.toString();
    parsed->DWordData = value;
    return true;
}

// Decimal type code of hex(N): digits with one optional sign; huge numbers saturate (they map to 0).
bool parseTypeCode(QStringView text, qint64* code)
{
    bool negative = false;
    if (!text.isEmpty() && (text[0] == u'+' || text[0] == u'-')) {
        negative = text[0] == u'-';
        text = text.mid(1);
    }
    if (text.isEmpty())
        return false;
    qint64 value = 0;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
        value = qMin<qint64>(value * 10 + (c.unicode() - u'0'), qint64(1) << 40);
    }
    *code = negative ? -value : value;
    return true;
}

bool parseHex(QStringView text, QByteArray* bytes, QString* error);

// Hexadecimal type code of a version 5 hex(N): one to eight digits.
bool parseHexTypeCode(QStringView text, qint64* code)
{
    if (text.isEmpty() || text.size() > 8)
        return false;
    qint64 value = 0;
    for (QChar c : text) {
        const int d = HexDigitValue(c);
        if (d < 0)
            return false;
        value = value * 16 + d;
    }
    *code = value;
    return true;
}

bool parseBytes(QStringView data, TRegValueLine* parsed, RegFileFormat format, QString* error)
{
    if (startsWithNoCase(data, u"hex(")) {
        const qsizetype colon = data.indexOf(u':');
        if (colon < 0)
            return fail(error, RegFileTexts::MissingColon);
        const qsizetype open = data.indexOf(u'(');
        const qsizetype close = data.indexOf(u')');
        if (close < 0 || !(open < close && close < colon))
            return fail(error, RegFileTexts::BadHexIdFormat);
        const QStringView id = RegValueLineParser::trimLine(data.mid(open + 1, close - open - 1));
        if (format == RegFileFormat::Version5 && !parseHexTypeCode(id, &parsed->TypeCode))
            return fail(error, RegFileTexts::BadHexIdCharsV5);
        if (format == RegFileFormat::Regedit4 && !parseTypeCode(id, &parsed->TypeCode))
            return fail(error, RegFileTexts::BadHexIdChars);
    } else {
        parsed->TypeCode = REG_BINARY;
    }
    const QStringView list = RegValueLineParser::trimLine(data.mid(data.indexOf(u':') + 1));
    parsed->Kind = RegValueKind::Bytes;
    parsed->Continued = list.endsWith(Backslash);
    parsed->BinaryData.clear();
    return parseHex(list, &parsed->BinaryData, error);
}

bool parseData(QStringView data, TRegValueLine* parsed, RegFileFormat format, QString* error)
{
    if (format == RegFileFormat::Version5 && data == u"-") {
        parsed->Kind = RegValueKind::Delete;
        return true;
    }
    if (startsWithNoCase(data, u"dword:"))
        return parseDWord(data, parsed, format, error);
    if (startsWithNoCase(data, u"hex:") || startsWithNoCase(data, u"hex("))
        return parseBytes(data, parsed, format, error);
    parsed->Kind = RegValueKind::String;
    return parseQuoted(data, &parsed->StringData, error);
}

} // namespace

namespace RegValueLineParser {

QStringView trimLine(QStringView line)
{
    qsizetype begin = 0;
    qsizetype end = line.size();
    while (begin < end && isBlank(line[begin]))
        ++begin;
    while (end > begin && isBlank(line[end - 1]))
        --end;
    return line.mid(begin, end - begin);
}

DWORD mappedType(qint64 typeCode)
{
    return typeCode >= 0 && typeCode <= 10 ? DWORD(typeCode) : REG_NONE;
}

} // namespace RegValueLineParser

namespace {

bool parseLine(QStringView line, TRegValueLine* parsed, RegFileFormat format, QString* error)
{
    line = RegValueLineParser::trimLine(line);
    if (line.isEmpty())
        return fail(error, RegFileTexts::EmptyValue);
    *parsed = TRegValueLine();
    const qsizetype sep = findSeparator(line, error);
    if (sep == -2)
        return false;
    if (sep <= 0)
        return fail(error, RegFileTexts::BadSeparator);
    if (!line.startsWith(u'@')) {
        if (!parseQuoted(RegValueLineParser::trimLine(line.left(sep)), &parsed->Name, error))
            return false;
    }
    return parseData(RegValueLineParser::trimLine(line.mid(sep + 1)), parsed, format, error);
}

bool parseHex(QStringView text, QByteArray* bytes, QString* error)
{
    // Tokens between commas; backslashes (line continuation) are no part of any token, blanks around a
    // token neither. The digits of a token are read in place, without copying it.
    const qsizetype n = text.size();
    bytes->reserve(bytes->size() + n / 3 + 1);
    qsizetype pos = 0;
    while (true) {
        int value = 0;
        bool any = false;
        bool bad = false;
        bool blankAfter = false; // a blank after the digits: only blanks may follow
        qsizetype i = pos;
        for (; i < n && text[i] != u','; ++i) {
            const QChar c = text[i];
            if (c == Backslash)
                continue;
            if (isBlank(c)) {
                blankAfter = any;
                continue;
            }
            const int d = HexDigitValue(c);
            if (d < 0 || blankAfter)
                bad = true;
            any = true;
            value = qMin(value * 16 + qMax(d, 0), 256);
        }
        const bool last = i == n;
        if (last && !any)
            return true; // a trailing comma, or no bytes at all
        if (bad || !any)
            return fail(error, RegFileTexts::BadHexChars);
        if (value > 255)
            return fail(error, RegFileTexts::HexByteTooLarge);
        bytes->append(char(value));
        if (last)
            return true;
        pos = i + 1;
    }
}

// Escapes are taken pairwise from the left, so a quote is escaped only when the whole run of
// backslashes before it is odd: in a\\"b the quote stands bare and the text is refused. "\n" and "\r"
// (either case) stand for a line feed and a carriage return.
bool unescape(QStringView text, QString* plain, QString* error)
{
    if (!text.contains(Backslash) && !text.contains(Quote)) {
        *plain = text.toString(); // nothing escaped: the common case
        return true;
    }
    QString out(text.size(), Qt::Uninitialized);
    char16_t* p = reinterpret_cast<char16_t*>(out.data());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c == Quote)
            return fail(error, RegFileTexts::BadStringChars);
        if (c != Backslash) {
            *p++ = c;
            continue;
        }
        if (i + 1 >= n)
            return fail(error, RegFileTexts::BadStringChars);
        const char16_t next = text[++i].unicode();
        if (next == Backslash || next == Quote)
            *p++ = next;
        else if (next == u'n' || next == u'N')
            *p++ = u'\n';
        else if (next == u'r' || next == u'R')
            *p++ = u'\r';
        else
            return fail(error, RegFileTexts::BadStringChars);
    }
    out.truncate(p - reinterpret_cast<const char16_t*>(out.constData()));
    *plain = std::move(out);
    return true;
}

// The result of a rule, and the program-wide last error of the line functions filled from it.
RegFileResult resultOf(bool ok, const QString& error)
{
    return ok ? RegFileResult::success() : RegFileResult::failure(error);
}

bool publish(const RegFileResult& result)
{
    SetLastRegFileError(result.text);
    return result.ok;
}

} // namespace

namespace RegValueLineParser {

RegFileResult parseValueLine(QStringView line, TRegValueLine* parsed, RegFileFormat format)
{
    QString error;
    const bool ok = parseLine(line, parsed, format, &error);
    return resultOf(ok, error);
}

QStringView stripComment(QStringView line)
{
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted && c == Backslash)
            ++i; // an escaped character, quote or backslash, stays inside
        else if (c == Quote)
            quoted = !quoted;
        else if (!quoted && c == u';')
            return trimLine(line.left(i));
    }
    return line;
}

RegFileResult parseHexBytes(QStringView text, QByteArray* bytes)
{
    QString error;
    const bool ok = parseHex(text, bytes, &error);
    return resultOf(ok, error);
}

RegFileResult unescapeString(QStringView text, QString* plain)
{
    QString error;
    const bool ok = unescape(text, plain, &error);
    return resultOf(ok, error);
}

QByteArray storedData(const TRegValueLine& value)
{
    if (value.Kind == RegValueKind::DWord) {
        const DWORD v = value.DWordData;
        const char bytes[4] = {char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char(v >> 24)};
        return QByteArray(bytes, 4);
    }
    QByteArray data = value.StringData.toUtf8();
    data.append('\0');
    return data;
}

} // namespace RegValueLineParser

bool ParseRegValueLine(QStringView line, TRegValueLine* parsed)
{
    return publish(RegValueLineParser::parseValueLine(line, parsed));
}

bool ParseHexBytes(QStringView text, QByteArray* bytes)
{
    return publish(RegValueLineParser::parseHexBytes(text, bytes));
}

bool UnescapeRegString(QStringView text, QString* plain)
{
    return publish(RegValueLineParser::unescapeString(text, plain));
}
