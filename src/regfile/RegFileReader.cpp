#include "regfile/RegFileReader.h"

#include "platform/TextCodec.h"
#include "platform/WinReg.h"
#include "regfile/RegFileLineSource.h"
#include "registry/BranchWalker.h"
#include "registry/Progress.h"
#include "registry/RegUtils.h"
#include "registry/RegistryAccessor.h"

#include <QtEndian>

#include <utility>

namespace {

constexpr qsizetype QuoteLength = 80;

// A line as a message quotes it: trimmed, long ones cut.
QString quoted(QStringView line)
{
    line = RegValueLineParser::trimLine(line);
    return line.size() <= QuoteLength ? line.toString() : line.left(QuoteLength).toString() + u'…';
}

// The data of a string-typed value in a version 5 file is UTF-16LE text; the store keeps such text as
// UTF-8, exactly as a REGEDIT4 line with the same text stores it. A last odd byte stays a character.
QByteArray storedText(const QByteArray& utf16)
{
    const qsizetype units = utf16.size() / 2;
    QString text(units, Qt::Uninitialized);
    qFromLittleEndian<char16_t>(utf16.constData(), units, text.data());
    if (utf16.size() % 2 == 1 && utf16.back() != '\0')
        text += QChar(uchar(utf16.back()));
    return text.toUtf8();
}

bool isStringType(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

} // namespace

RegFileReader::RegFileReader(Progress& progress)
    : m_progress(progress), m_reg(std::make_unique<RegistryAccessor>(KEY_READ | KEY_WRITE))
{
}

RegFileReader::~RegFileReader()
{
    // The batch commits before the accessor releases its root.
    m_batch.reset();
    m_reg.reset();
}

RegFileResult RegFileReader::run(RegFileLineSource& lines)
{
    m_lines = &lines;
    QStringView line;
    qint64& number = m_lineNumber;
    while (lines.next(&line)) {
        ++number;
        m_progress.step();
        if (m_progress.abortRequested())
            return outcome(RegFileResult::cancel());
        if (processLine(line))
            continue;
        if (m_format == RegFileFormat::Regedit4 || m_state == State::ExpectHeader)
            return outcome(RegFileResult::failure(m_error, number));
        skip(number, line, m_error);
    }
    if (!lines.error().isEmpty())
        return outcome(RegFileResult::failure(lines.error(), number + 1));
    if (m_state == State::ExpectHeader)
        return outcome(RegFileResult::failure(RegFileTexts::MissingHeader, number));
    if (m_format == RegFileFormat::Version5) {
        if (m_state == State::InByteList)
            dropPending(true); // an unfinished list at the end is a line that could not be read
        return outcome(version5Result());
    }
    if (m_state == State::InByteList)
        return outcome(RegFileResult::failure(RegFileTexts::UnfinishedHex, number));
    if (!m_keyOpen)
        return outcome(RegFileResult::failure(RegFileTexts::NoKeyLine));
    if (m_failedWrites > 0)
        return outcome(RegFileResult::failure(
            m_failedWrites == 1 ? QStringLiteral("1 Wert konnte nicht geschrieben werden")
                                : QStringLiteral("%1 Werte konnten nicht geschrieben werden").arg(m_failedWrites)));
    return outcome(RegFileResult::success());
}

RegFileResult RegFileReader::version5Result() const
{
    QStringList parts;
    if (m_skipped == 1)
        parts.append(QStringLiteral("1 Zeile konnte nicht gelesen werden: Zeile %1: %2")
                         .arg(m_firstSkipLine)
                         .arg(m_firstSkip));
    else if (m_skipped > 1)
        parts.append(QStringLiteral("%1 Zeilen konnten nicht gelesen werden, zuerst Zeile %2: %3")
                         .arg(m_skipped)
                         .arg(m_firstSkipLine)
                         .arg(m_firstSkip));
    if (m_failedWrites == 1)
        parts.append(QStringLiteral("1 Änderung konnte nicht vorgenommen werden"));
    else if (m_failedWrites > 1)
        parts.append(QStringLiteral("%1 Änderungen konnten nicht vorgenommen werden").arg(m_failedWrites));
    return parts.isEmpty() ? RegFileResult::success() : RegFileResult::failure(parts.join(QStringLiteral("; ")));
}

// Whatever the lines said, the changes are only there when the batch committed.
RegFileResult RegFileReader::outcome(RegFileResult result)
{
    const LONG rc = endBatch();
    if (rc != ERROR_SUCCESS)
        return RegFileResult::failure(RegFileTexts::CommitFailed + RegCodeText(rc));
    return result;
}

LONG RegFileReader::endBatch()
{
    m_reg->closeKey();
    const LONG rc = m_batch ? m_batch->end() : ERROR_SUCCESS;
    m_batch.reset();
    return rc;
}

bool RegFileReader::stop(const QString& reason)
{
    m_error = reason;
    return false;
}

void RegFileReader::skip(qint64 number, QStringView line, const QString& reason)
{
    ++m_skipped;
    if (m_firstSkipLine == 0 || number < m_firstSkipLine) {
        m_firstSkipLine = number;
        m_firstSkip = quoted(line) + QStringLiteral(" (") + reason + u')';
    }
}

void RegFileReader::dropPending(bool atEnd)
{
    if (m_state == State::InByteList && m_format == RegFileFormat::Version5 && !m_pendingBroken)
        skip(m_pendingLine, m_pendingText, atEnd ? RegFileTexts::UnfinishedHex : RegFileTexts::BrokenOffHex);
    m_state = State::Normal; // the pending byte value is dropped unwritten
}

bool RegFileReader::processLine(QStringView rawLine)
{
    QStringView line = RegValueLineParser::trimLine(rawLine);
    if (line.isEmpty() || line.startsWith(u';'))
        return true;
    if (m_state == State::ExpectHeader)
        return headerLine(line);
    if (line.startsWith(u'[')) {
        const qsizetype close = line.lastIndexOf(u']');
        // A version 5 key line may carry a comment after its bracket.
        if (m_format == RegFileFormat::Version5 && close > 0
            && RegValueLineParser::stripComment(line.mid(close + 1)).isEmpty())
            line = line.left(close + 1);
        if (line.endsWith(u']')) {
            dropPending();
            return keyLine(line.mid(1, line.size() - 2));
        }
        if (m_format == RegFileFormat::Version5) {
            dropPending();
            // A key line that cannot be read sends the values after it nowhere, not into the key before.
            m_reg->closeKey();
            m_keyOpen = false;
            m_anyKeyLine = true;
            return stop(RegFileTexts::BadLine);
        }
    }
    if (line.startsWith(u'@') || line.startsWith(u'"')) {
        dropPending();
        return valueLine(line);
    }
    if (m_state == State::InByteList)
        return continuationLine(line);
    return stop(RegFileTexts::BadLine);
}

bool RegFileReader::headerLine(QStringView line)
{
    if (line.compare(RegFileHeaders::Regedit4, Qt::CaseInsensitive) == 0) {
        m_format = RegFileFormat::Regedit4;
    } else if (line.startsWith(RegFileHeaders::Version5, Qt::CaseInsensitive)) {
        // Blanks or other text after the header on its line do not matter.
        m_format = RegFileFormat::Version5;
    } else {
        return stop(RegFileTexts::MissingHeader);
    }
    m_state = State::Normal;
    return true;
}

// The batch belongs to the store behind the root; it commits before the root changes.
bool RegFileReader::selectRoot(const QString& path)
{
    // key lines nearly always name the root of the line before, written the same way
    const qsizetype end = path.indexOf(u'\\');
    const QStringView rootText = end < 0 ? QStringView(path) : QStringView(path).left(end);
    if (m_root != 0 && rootText == m_rootText)
        return true;
    const HKEY root = GetRootKey(path);
    if (root == 0)
        return stop(QStringLiteral("Unbekannter Stammschlüssel: ") + path);
    if (root == m_root)
        return true;
    m_root = 0;
    if (const LONG rc = endBatch(); rc != ERROR_SUCCESS)
        return stop(RegFileTexts::CommitFailed + RegCodeText(rc));
    if (!ConnectRootKey(*m_reg, root, true))
        return stop(QStringLiteral("Keine Verbindung zum Stammschlüssel von ") + path);
    m_root = root;
    m_rootText = rootText.toString();
    m_batch = std::make_unique<RegBatch>(m_reg->rootKey());
    return true;
}

bool RegFileReader::keyLine(QStringView pathView)
{
    m_reg->closeKey();
    m_keyOpen = false; // until the key opens, values go nowhere
    m_anyKeyLine = true;
    if (m_format == RegFileFormat::Version5 && pathView.startsWith(u'-'))
        return deleteKeyLine(RegValueLineParser::trimLine(pathView.mid(1)).toString());
    const QString path = pathView.toString();
    if (!selectRoot(path))
        return false;
    const QString subKey = QLatin1Char('\\') + GetSubKeyPath(path);
    m_writeDenied = false;
    if (!m_reg->openKey(subKey, true)) {
        // A key that exists but refuses writing does not stop the import: its values are counted
        // as not written, and the lines after it still apply.
        if (!m_reg->keyExists(subKey))
            return stop(QStringLiteral("Kann Schlüssel nicht öffnen: ") + path);
        m_writeDenied = true;
    }
    m_keyOpen = true;
    return true;
}

// [-KEY] deletes the key with its subtree; a key that is not there is no error.
bool RegFileReader::deleteKeyLine(const QString& path)
{
    if (!selectRoot(path))
        return false;
    const QString subKey = GetSubKeyPath(path);
    if (subKey.isEmpty())
        return stop(RegFileTexts::RootNotDeleted + path);
    const QString fromRoot = QLatin1Char('\\') + subKey;
    if (m_reg->keyExists(fromRoot) && !m_reg->deleteKey(fromRoot))
        ++m_failedWrites;
    return true;
}

bool RegFileReader::valueLine(QStringView line)
{
    const bool version5 = m_format == RegFileFormat::Version5;
    if (version5)
        line = RegValueLineParser::stripComment(line);
    RegFileResult parsed;
    const QByteArray* stored = nullptr; // valid until the next line
    if (RegPreparsedLine* ahead = m_lines->preparsed(m_format); ahead && ahead->kind == RegPreparsedLine::Kind::Value) {
        // swapped, not moved: what m_parsed held is freed with the line by the reading thread
        std::swap(parsed, ahead->result);
        std::swap(m_parsed, ahead->value);
        stored = &ahead->stored;
    } else {
        parsed = RegValueLineParser::parseValueLine(line, &m_parsed, m_format);
    }
    if (!parsed.ok) {
        if (version5 && line.endsWith(u'\\')) {
            // The lines that continue it belong to this skipped line.
            m_state = State::InByteList;
            m_pendingBroken = true;
        }
        return stop(parsed.text);
    }
    if (version5 && !m_anyKeyLine) {
        if (m_parsed.Continued) {
            m_state = State::InByteList;
            m_pendingBroken = true;
        }
        return stop(RegFileTexts::ValueWithoutKey);
    }
    switch (m_parsed.Kind) {
    case RegValueKind::String:
    case RegValueKind::DWord:
        write(m_parsed.Name, m_parsed.Kind == RegValueKind::String ? REG_SZ : REG_DWORD,
              stored ? *stored : RegValueLineParser::storedData(m_parsed));
        break;
    case RegValueKind::Bytes:
        if (m_parsed.Continued) {
            std::swap(m_pending, m_parsed);
            m_state = State::InByteList;
            m_pendingBroken = false;
            if (version5) {
                m_pendingLine = m_lineNumber;
                m_pendingText = line.toString();
            }
        } else {
            writeBytes(m_parsed);
        }
        break;
    case RegValueKind::Delete:
        deleteValue(m_parsed.Name);
        break;
    }
    return true;
}

bool RegFileReader::continuationLine(QStringView line)
{
    if (m_format == RegFileFormat::Version5)
        line = RegValueLineParser::stripComment(line);
    const bool continued = line.endsWith(u'\\');
    if (m_pendingBroken) {
        if (!continued)
            m_state = State::Normal;
        return true;
    }
    RegFileResult parsed;
    if (RegPreparsedLine* ahead = m_lines->preparsed(m_format); ahead && ahead->kind == RegPreparsedLine::Kind::Bytes) {
        parsed = std::move(ahead->result);
        if (parsed.ok)
            m_pending.BinaryData.append(ahead->bytes);
    } else {
        parsed = RegValueLineParser::parseHexBytes(line, &m_pending.BinaryData);
    }
    if (!parsed.ok) {
        m_pendingBroken = true; // the value is lost; its further lines are not counted again
        if (!continued)
            m_state = State::Normal;
        return stop(parsed.text);
    }
    if (!continued) {
        writeBytes(m_pending);
        m_state = State::Normal;
    }
    return true;
}

// REGEDIT4 maps the type codes above 10 to REG_NONE and carries string types as 8-bit text; version 5
// keeps every type code and carries string types as UTF-16LE.
void RegFileReader::writeBytes(const TRegValueLine& value)
{
    if (m_format == RegFileFormat::Regedit4) {
        const DWORD type = RegValueLineParser::mappedType(value.TypeCode);
        const bool textData = type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
        write(value.Name, type, textData ? TextCodec::decodeToUtf8Data(value.BinaryData) : value.BinaryData);
        return;
    }
    const DWORD type = DWORD(value.TypeCode);
    write(value.Name, type, isStringType(type) ? storedText(value.BinaryData) : value.BinaryData);
}

// Values without an open key (before the first key line, after a key that could not be opened or was
// deleted) are only checked; a write that fails is counted and the import goes on, so that the result
// can still say that the file did not arrive completely.
void RegFileReader::write(const QString& name, DWORD type, const QByteArray& data)
{
    if (!m_keyOpen)
        return;
    const LONG rc = m_writeDenied ? ERROR_ACCESS_DENIED : RegSetValueBytes(m_reg->currentKey(), name, type, data);
    if (rc != ERROR_SUCCESS)
        ++m_failedWrites;
}

void RegFileReader::deleteValue(const QString& name)
{
    if (!m_keyOpen)
        return;
    const LONG rc = m_writeDenied ? ERROR_ACCESS_DENIED : RegDeleteValue(m_reg->currentKey(), name);
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND)
        ++m_failedWrites;
}
