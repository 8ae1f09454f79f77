#include "regfile/RegFileWriter.h"

#include "platform/TextCodec.h"
#include "regfile/RegFileUtils.h"
#include "registry/RegValueUtils.h"

#include <QIODevice>
#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace {

constexpr qsizetype FlushThreshold = 256 * 1024;
const QByteArray LineEnd = QByteArrayLiteral("\r\n");
constexpr char HexDigits[] = "0123456789ABCDEF";
constexpr char16_t LowerHexDigits[] = u"0123456789abcdef";
// A version 5 byte list continues on the next line once a byte's "xx," passes this column.
constexpr qsizetype WrapColumn = 76;

bool hasLineBreak(QByteArrayView bytes)
{
    return std::any_of(bytes.begin(), bytes.end(), [](char c) { return c == '\r' || c == '\n'; });
}

bool hasHighByte(QByteArrayView bytes)
{
    return std::any_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) != 0; });
}

// Shows a key path in a message with its line breaks visible.
QString visible(QString text)
{
    return text.replace(u'\r', QLatin1String("\\r")).replace(u'\n', QLatin1String("\\n"));
}

// The bytes of a REG_SZ value's text: its UTF-8 up to the first zero.
QByteArrayView untilZero(QByteArrayView data)
{
    const qsizetype end = data.indexOf('\0');
    return end < 0 ? data : data.first(end);
}

// What follows "=" for types other than REG_SZ: a DWORD's whole text, else the prefix of the byte list.
void appendTypePart(QByteArray& out, DWORD type, QByteArrayView data)
{
    if (type == REG_DWORD && data.size() == 4) {
        const DWORD v = DWORD(quint8(data[0])) | DWORD(quint8(data[1])) << 8 | DWORD(quint8(data[2])) << 16
                        | DWORD(quint8(data[3])) << 24;
        out += "dword:";
        for (int shift = 28; shift >= 0; shift -= 4)
            out += HexDigits[(v >> shift) & 0xF];
    } else if (type == REG_BINARY) {
        out += "hex:";
    } else {
        // A DWORD whose data is not 4 bytes keeps its bytes as hex(4).
        out += "hex(";
        out += QByteArray::number(type <= 10 ? type : 0);
        out += "):";
    }
}

// Everything of a value line before its byte list (or the whole line for strings and DWORDs), in
// Windows-1252 or, when asked, in UTF-8.
void appendLineText(QByteArray& out, const QString& name, DWORD type, QByteArrayView data, const QString& text,
                    bool utf8)
{
    const auto appendEscaped = [&out, utf8](QStringView plain) {
        const QString escaped = EscapeRegString(plain);
        out += utf8 ? escaped.toUtf8() : TextCodec::toWindows1252(escaped);
    };
    if (name.isEmpty()) {
        out += '@';
    } else {
        out += '"';
        appendEscaped(name);
        out += '"';
    }
    out += '=';
    if (type == REG_SZ) {
        out += '"';
        appendEscaped(text);
        out += '"';
    } else {
        appendTypePart(out, type, data);
    }
}

bool isAscii(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

// ASCII text escaped as EscapeRegString escapes it: in either encoding its bytes are its characters.
void appendEscapedAscii(QByteArray& out, char c)
{
    switch (c) {
    case '\\':
        out += "\\\\";
        break;
    case '"':
        out += "\\\"";
        break;
    case '\n':
        out += "\\n";
        break;
    case '\r':
        out += "\\r";
        break;
    default:
        out += c;
    }
}

void appendEscapedAscii(QByteArray& out, QStringView text)
{
    for (const QChar c : text)
        appendEscapedAscii(out, char(c.unicode()));
}

void appendEscapedAscii(QByteArray& out, QByteArrayView text)
{
    // the runs between characters to escape go in whole
    const auto escaped = [](char c) { return c == '\\' || c == '"' || c == '\n' || c == '\r'; };
    auto from = text.begin();
    while (from != text.end()) {
        const auto to = std::find_if(from, text.end(), escaped);
        out.append(from, to - from);
        if (to == text.end())
            break;
        appendEscapedAscii(out, *to);
        from = to + 1;
    }
}

// appendLineText for an ASCII name and, for a REG_SZ, ASCII text: most lines, without converting them.
void appendAsciiLineText(QByteArray& out, const QString& name, DWORD type, QByteArrayView data, QByteArrayView text)
{
    if (name.isEmpty()) {
        out += '@';
    } else {
        out += '"';
        appendEscapedAscii(out, QStringView(name));
        out += '"';
    }
    out += '=';
    if (type == REG_SZ) {
        out += '"';
        appendEscapedAscii(out, text);
        out += '"';
    } else {
        appendTypePart(out, type, data);
    }
}

// The text a string-typed value's data holds: UTF-8 as the store keeps it (other bytes as Windows-1252).
QString storedText(QByteArrayView data)
{
    return TextCodec::decode(data);
}

// UTF-16LE bytes of a text, as version 5 carries string types in hex form.
QByteArray utf16Bytes(QStringView text)
{
    QByteArray bytes(text.size() * 2, Qt::Uninitialized);
    qToLittleEndian<char16_t>(text.data(), text.size(), bytes.data());
    return bytes;
}

// A REG_SZ value written as "text" reads back as its UTF-8 and one zero: only then is the quoted form
// exact.
bool quotable(QByteArrayView data, QString* text)
{
    if (data.isEmpty() || data.back() != '\0' || data.indexOf('\0') != data.size() - 1)
        return false;
    const QByteArrayView utf8 = data.first(data.size() - 1);
    if (!TextCodec::isValidUtf8(utf8))
        return false;
    *text = QString::fromUtf8(utf8);
    return true;
}

void appendHexText(QString& out, qsizetype lineStart, QByteArrayView data)
{
    const qsizetype n = data.size();
    qsizetype column = out.size() - lineStart;
    const qsizetype start = out.size();
    out.resize(start + n * 3 + (n / 25 + 2) * 5);
    char16_t* p = reinterpret_cast<char16_t*>(out.data()) + start;
    for (qsizetype i = 1; i <= n; ++i) {
        const auto b = static_cast<unsigned char>(data[i - 1]);
        *p++ = LowerHexDigits[b >> 4];
        *p++ = LowerHexDigits[b & 0xF];
        column += 2;
        if (i == n)
            break;
        *p++ = u',';
        if (++column > WrapColumn) {
            for (const char16_t c : {u'\\', u'\r', u'\n', u' ', u' '})
                *p++ = c;
            column = 2;
        }
    }
    out.resize(p - reinterpret_cast<const char16_t*>(out.constData()));
}

// A value whose type a REGEDIT4 file loses, for the export's closing note: [key] "name" (type).
QString lostTypeEntry(const QString& keyPath, const WalkValue& value)
{
    const QString name = value.name.isEmpty() ? QStringLiteral("@") : u'"' + visible(value.name) + u'"';
    const QString type =
        value.type == REG_QWORD ? QStringLiteral("REG_QWORD") : QStringLiteral("Typ %1").arg(value.type);
    return QStringLiteral("[%1] %2 (%3)").arg(visible(keyPath), name, type);
}

} // namespace

RegFileWriter::RegFileWriter(QIODevice& device, Progress& progress, RegFileFormat format)
    : m_device(device), m_progress(progress), m_format(format), m_failure(RegFileResult::success())
{
    m_buffer.reserve(FlushThreshold + 64 * 1024);
}

RegFileResult RegFileWriter::writeHeader()
{
    if (m_format == RegFileFormat::Regedit4) {
        append("REGEDIT4\r\n");
    } else {
        append("\xFF\xFE"); // UTF-16LE byte-order mark
        append(QString(RegFileHeaders::Version5 + QStringLiteral("\r\n")));
    }
    return m_failure;
}

void RegFileWriter::append(QByteArrayView bytes)
{
    m_buffer.append(bytes);
    if (m_buffer.size() >= FlushThreshold)
        (void)flush();
}

void RegFileWriter::append(QStringView text)
{
    m_text.append(text);
    if (m_text.size() * 2 >= FlushThreshold)
        (void)flush();
}

RegFileResult RegFileWriter::finish()
{
    if (m_format == RegFileFormat::Version5)
        append(QStringView(u"\r\n"));
    return flush();
}

RegFileResult RegFileWriter::flush()
{
    if (!m_text.isEmpty()) {
        const qsizetype start = m_buffer.size();
        m_buffer.resize(start + m_text.size() * 2);
        qToLittleEndian<char16_t>(m_text.constData(), m_text.size(), m_buffer.data() + start);
        m_text.resize(0);
    }
    if (m_failure.ok && !m_buffer.isEmpty() && m_device.write(m_buffer.constData(), m_buffer.size()) != m_buffer.size())
        m_failure = RegFileResult::failure(RegFileTexts::CannotSaveFile + QStringLiteral(" (")
                                           + m_device.errorString() + u')');
    m_buffer.resize(0); // keeps the capacity for the next bytes
    return m_failure;
}

WalkStep RegFileWriter::fail(const QString& text)
{
    if (m_failure.ok)
        m_failure = RegFileResult::failure(text);
    return WalkStep::Stop;
}

QByteArray RegFileWriter::valueLine(const QString& name, const TRegValue& value)
{
    QByteArray line;
    (void)appendValueLine(line, name, value.DataType, ValueToBytes(value));
    return line;
}

// The line is Windows-1252 when all its text fits, otherwise UTF-8 as a whole; a Windows-1252 line that
// would read back as UTF-8 ("Ã¤") is written as UTF-8 too, so that every line reads back unchanged.
bool RegFileWriter::appendValueLine(QByteArray& out, const QString& name, DWORD type, QByteArrayView data)
{
    const QByteArrayView stringBytes = type == REG_SZ ? untilZero(data) : QByteArrayView();
    const qsizetype lineStart = out.size();
    if (isAscii(name) && !hasHighByte(stringBytes)) {
        appendAsciiLineText(out, name, type, data, stringBytes);
    } else {
        const QString text = type == REG_SZ ? QString::fromUtf8(stringBytes) : QString();
        const bool utf8 = !TextCodec::fitsWindows1252(name) || !TextCodec::fitsWindows1252(text);
        appendLineText(out, name, type, data, text, utf8);
        const QByteArrayView written = QByteArrayView(out).sliced(lineStart);
        if (!utf8 && hasHighByte(written) && TextCodec::isValidUtf8(written)) {
            out.resize(lineStart);
            appendLineText(out, name, type, data, text, true);
        }
    }
    if (hasLineBreak(QByteArrayView(out).sliced(lineStart))) {
        out.resize(lineStart);
        return false;
    }
    if (type == REG_SZ || (type == REG_DWORD && data.size() == 4))
        return true;
    // String types carry their text in the file's encoding; all other data stays raw.
    const bool textData = type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
    appendHexBytes(out, out.size() - lineStart, textData ? QByteArrayView(TextCodec::encodeUtf8Data(data)) : data);
    return true;
}

void RegFileWriter::appendHexBytes(QByteArray& out, qsizetype prefixLength, QByteArrayView data)
{
    // k counts the byte columns already used on the line; a full line holds 25.
    qsizetype k = prefixLength / 3;
    if (k > 0 && prefixLength % 3 == 0)
        --k;
    const qsizetype n = data.size();
    const qsizetype start = out.size();
    out.resize(start + n * 3 + (n / 25 + 1) * 5);
    char* p = out.data() + start;
    for (qsizetype i = 1; i <= n; ++i) {
        const auto b = static_cast<unsigned char>(data[i - 1]);
        *p++ = HexDigits[b >> 4];
        *p++ = HexDigits[b & 0xF];
        if (i < n)
            *p++ = ',';
        if (++k > 24) {
            if (i < n) {
                std::memcpy(p, "\\\r\n  ", 5);
                p += 5;
            }
            k = 0;
        }
    }
    out.resize(p - out.constData());
}

void RegFileWriter::appendValueLine5(QString& out, const QString& name, DWORD type, QByteArrayView data)
{
    const qsizetype lineStart = out.size();
    if (name.isEmpty()) {
        out += u'@';
    } else {
        out += u'"';
        out += EscapeRegString(name);
        out += u'"';
    }
    out += u'=';
    QString text;
    if (type == REG_SZ && quotable(data, &text)) {
        out += u'"';
        out += EscapeRegString(text);
        out += u'"';
        return;
    }
    if (type == REG_DWORD && data.size() == 4) {
        out += QStringLiteral("dword:%1").arg(qFromLittleEndian<quint32>(data.data()), 8, 16, QLatin1Char('0'));
        return;
    }
    out += type == REG_BINARY ? QStringLiteral("hex:") : QStringLiteral("hex(%1):").arg(type, 0, 16);
    const bool textData = type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
    appendHexText(out, lineStart, textData ? QByteArrayView(utf16Bytes(storedText(data))) : data);
}

RegFileResult RegFileWriter::writeBranch(const QString& keyPath)
{
    BranchWalker walker(m_progress);
    m_branchOpened = false;
    const WalkResult walk = walker.walk(keyPath, *this);
    if (!m_failure.ok)
        return m_failure;
    if (walk.status == WalkResult::Status::Cancelled)
        return RegFileResult::cancel();
    if (!walk.ok())
        return RegFileResult::failure(walk.text);
    return RegFileResult::success();
}

WalkStep RegFileWriter::visitKey(const WalkKey& key)
{
    // The format has no escape for a line break in a key line: written raw it would end the line and
    // let the rest of the name act as lines of their own.
    if (key.path.contains(u'\r') || key.path.contains(u'\n'))
        return fail(QStringLiteral("Der Schlüssel \"%1\" enthält einen Zeilenumbruch und kann nicht in eine "
                                   "Registrierungsdatei geschrieben werden.")
                        .arg(visible(key.path)));
    m_branchOpened = true;
    if (m_format == RegFileFormat::Version5) {
        append(QString(QStringLiteral("\r\n[") + key.path + QStringLiteral("]\r\n")));
        return m_failure.ok ? WalkStep::Continue : WalkStep::Stop;
    }
    append(LineEnd);
    append(TextCodec::encode(QLatin1Char('[') + key.path + QLatin1Char(']')));
    append(LineEnd);
    return m_failure.ok ? WalkStep::Continue : WalkStep::Stop;
}

WalkStep RegFileWriter::visitValue(const WalkKey& key, const WalkValue& value)
{
    if (m_format == RegFileFormat::Version5) {
        appendValueLine5(m_text, value.name, value.type, value.data);
        append(QStringView(u"\r\n"));
        return m_failure.ok ? WalkStep::Continue : WalkStep::Stop;
    }
    if (value.type > 10) // written as hex(0): the format has no code for it
        m_lostTypes.append(lostTypeEntry(key.path, value));
    if (!appendValueLine(m_buffer, value.name, value.type, value.data))
        return fail(QStringLiteral("Der Wert \"%1\" von %2 kann nicht als eine Zeile geschrieben werden.")
                        .arg(visible(value.name), visible(key.path)));
    append(LineEnd);
    return m_failure.ok ? WalkStep::Continue : WalkStep::Stop;
}

void RegFileWriter::keyNotOpened(const QString& path, LONG code)
{
    if (!m_branchOpened)
        (void)fail(QStringLiteral("Kann Schlüssel nicht öffnen: %1 (%2)").arg(visible(path), RegCodeText(code)));
}
