#include "regfile/RegFileWriter.h"

#include "platform/TextCodec.h"
#include "platform/WinCase.h"
#include "platform/WinReg.h"
#include "regfile/RegFileUtils.h"
#include "registry/Progress.h"
#include "registry/RegUtils.h"
#include "registry/RegValueUtils.h"
#include "registry/RegistryAccessor.h"

#include <QIODevice>
#include <QLocale>

#include <algorithm>
#include <cstring>
#include <set>

namespace {

constexpr qsizetype FlushThreshold = 256 * 1024;
constexpr DWORD NameBufferChars = 256; // a name of 256 or more characters ends an enumeration
const QByteArray LineEnd = QByteArrayLiteral("\r\n");
constexpr char HexDigits[] = "0123456789ABCDEF";

// Case-insensitive order in the user's locale. Names the locale finds equal but the registry keeps
// apart (e.g. "ß" and "ss") are still ordered, so none is lost as a duplicate.
struct ExportOrder {
    const QCollator& collator;
    int operator()(const QString& a, const QString& b) const
    {
        if (const int c = collator.compare(a, b))
            return c;
        if (const int c = winCompareNoCase(a, b))
            return c;
        return QString::compare(a, b);
    }
};

struct PendingKey {
    QCollatorSortKey sortKey;
    QString path;
};

struct PendingLess {
    bool operator()(const PendingKey& a, const PendingKey& b) const
    {
        if (const int c = a.sortKey.compare(b.sortKey))
            return c < 0;
        if (const int c = winCompareNoCase(a.path, b.path))
            return c < 0;
        return QString::compare(a.path, b.path) < 0;
    }
};

struct NamedValue {
    QString name;
    DWORD type = REG_NONE;
    QByteArray data;
};

} // namespace

RegFileWriter::RegFileWriter(QIODevice& device, Progress& progress)
    : m_device(device), m_progress(progress), m_collator(QLocale())
{
    m_collator.setCaseSensitivity(Qt::CaseInsensitive);
    m_buffer.reserve(FlushThreshold + 64 * 1024);
}

bool RegFileWriter::writeHeader()
{
    append("REGEDIT4\r\n");
    return !m_writeFailed;
}

void RegFileWriter::append(QByteArrayView bytes)
{
    m_buffer.append(bytes);
    if (m_buffer.size() >= FlushThreshold)
        (void)flush();
}

bool RegFileWriter::flush()
{
    if (m_writeFailed)
        return false;
    if (!m_buffer.isEmpty() && m_device.write(m_buffer.constData(), m_buffer.size()) != m_buffer.size())
        m_writeFailed = true;
    m_buffer.resize(0); // keeps the capacity for the next bytes
    return !m_writeFailed;
}

bool RegFileWriter::stepAndContinue()
{
    m_progress.step();
    return !m_progress.abortRequested() && !m_writeFailed;
}

QByteArray RegFileWriter::valueLine(const QString& name, const TRegValue& value)
{
    QByteArray line;
    appendValueLine(line, name, value);
    return line;
}

// Builds the line's bytes in place. The line is Windows-1252 when all its text fits, otherwise UTF-8
// as a whole; only the name and REG_SZ data can hold characters outside ASCII.
void RegFileWriter::appendValueLine(QByteArray& out, const QString& name, const TRegValue& value)
{
    const bool fits = TextCodec::fitsWindows1252(name)
                      && (value.DataType != REG_SZ || TextCodec::fitsWindows1252(value.StringData));
    const auto appendText = [&out, fits](QStringView text) {
        const QString escaped = EscapeRegString(text);
        out += fits ? TextCodec::toWindows1252(escaped) : escaped.toUtf8();
    };
    const qsizetype lineStart = out.size();
    if (name.isEmpty()) {
        out += '@';
    } else {
        out += '"';
        appendText(name);
        out += '"';
    }
    out += '=';
    switch (value.DataType) {
    case REG_SZ:
        out += '"';
        appendText(value.StringData);
        out += '"';
        return;
    case REG_DWORD:
        out += "dword:";
        for (int shift = 28; shift >= 0; shift -= 4)
            out += HexDigits[(value.DWordData >> shift) & 0xF];
        return;
    case REG_BINARY:
        out += "hex:";
        break;
    default:
        out += "hex(";
        out += QByteArray::number(value.DataType <= 10 ? value.DataType : 0);
        out += "):";
        break;
    }
    appendHexBytes(out, out.size() - lineStart, value.BinaryData);
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

bool RegFileWriter::writeBranch(const QString& keyPath)
{
    const QString branch = ExcludeTrailingBackslash(keyPath);
    const HKEY root = GetRootKey(branch);
    RegistryAccessor reg(KEY_READ);
    if (root == 0 || !ConnectRootKey(reg, root, true))
        return false;
    const QString rootName = GetRootKeyName(branch);
    std::set<PendingKey, PendingLess> pending;
    QString current = GetSubKeyPath(branch);
    while (true) {
        if (!stepAndContinue())
            return false;
        if (reg.openKey(QLatin1Char('\\') + current, false)) {
            QStringList subKeys;
            const QString fullPath = current.isEmpty() ? rootName : rootName + QLatin1Char('\\') + current;
            if (!exportKey(reg.currentKey(), fullPath, &subKeys))
                return false;
            reg.closeKey();
            for (const QString& name : subKeys) {
                QString path = current.isEmpty() ? name : current + QLatin1Char('\\') + name;
                QCollatorSortKey sortKey = m_collator.sortKey(path);
                pending.insert(PendingKey{std::move(sortKey), std::move(path)});
            }
        }
        if (pending.empty())
            return true;
        current = pending.begin()->path;
        pending.erase(pending.begin());
    }
}

// Writes the key line and the values of one open key and collects its subkey names.
bool RegFileWriter::exportKey(HKEY key, const QString& path, QStringList* subKeys)
{
    append(LineEnd);
    append(TextCodec::encode(QLatin1Char('[') + path + QLatin1Char(']')));
    append(LineEnd);

    std::vector<NamedValue> values;
    for (DWORD index = 0;; ++index) {
        if (!stepAndContinue())
            return false;
        NamedValue v;
        if (RegEnumValueBytes(key, index, &v.name, NameBufferChars, &v.type, &v.data) != ERROR_SUCCESS)
            break;
        values.push_back(std::move(v));
    }
    const ExportOrder order{m_collator};
    std::sort(values.begin(), values.end(),
              [&order](const NamedValue& a, const NamedValue& b) { return order(a.name, b.name) < 0; });
    for (const NamedValue& v : values) {
        TRegValue value;
        if (!ValueFromBytes(v.type, v.data, value))
            continue; // unreadable values are left out silently
        if (!stepAndContinue())
            return false;
        appendValueLine(m_buffer, v.name, value);
        append(LineEnd);
    }

    QString name;
    for (DWORD index = 0;; ++index) {
        if (!stepAndContinue())
            return false;
        if (RegEnumKey(key, index, &name, NameBufferChars) != ERROR_SUCCESS)
            break;
        subKeys->append(name);
    }
    return true;
}
