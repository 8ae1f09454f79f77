#include "regfile/RegFileReader.h"

#include "platform/TextCodec.h"
#include "platform/WinReg.h"
#include "regfile/RegFileLineSource.h"
#include "registry/BranchWalker.h"
#include "registry/Progress.h"
#include "registry/RegUtils.h"
#include "registry/RegistryAccessor.h"

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
    QString line;
    qint64 number = 0;
    while (lines.next(&line)) {
        ++number;
        m_progress.step();
        if (m_progress.abortRequested())
            return outcome(RegFileResult::cancel());
        if (!processLine(line))
            return outcome(RegFileResult::failure(m_error, number));
    }
    if (!lines.error().isEmpty())
        return outcome(RegFileResult::failure(lines.error(), number + 1));
    if (m_state == State::ExpectHeader)
        return outcome(RegFileResult::failure(RegFileTexts::MissingHeader, number));
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

bool RegFileReader::processLine(QStringView rawLine)
{
    const QStringView line = RegValueLineParser::trimLine(rawLine);
    if (line.isEmpty() || line.startsWith(u';'))
        return true;
    if (m_state == State::ExpectHeader) {
        if (line.compare(u"REGEDIT4", Qt::CaseInsensitive) != 0)
            return stop(RegFileTexts::MissingHeader);
        m_state = State::Normal;
        return true;
    }
    if (line.startsWith(u'[') && line.endsWith(u']')) {
        m_state = State::Normal; // a pending byte list is dropped unwritten
        return keyLine(line.mid(1, line.size() - 2));
    }
    if (line.startsWith(u'@') || line.startsWith(u'"')) {
        m_state = State::Normal;
        return valueLine(line);
    }
    if (m_state == State::InByteList)
        return continuationLine(line);
    return stop(RegFileTexts::BadLine);
}

bool RegFileReader::keyLine(QStringView pathView)
{
    const QString path = pathView.toString();
    m_reg->closeKey();
    m_keyOpen = false;
    const HKEY root = GetRootKey(path);
    if (root == 0)
        return stop(QStringLiteral("Unbekannter Stammschlüssel: ") + path);
    if (root != m_root) {
        // The batch belongs to the store behind the root; it commits before the root changes.
        m_root = 0;
        if (const LONG rc = endBatch(); rc != ERROR_SUCCESS)
            return stop(RegFileTexts::CommitFailed + RegCodeText(rc));
        if (!ConnectRootKey(*m_reg, root, true))
            return stop(QStringLiteral("Keine Verbindung zum Stammschlüssel von ") + path);
        m_root = root;
        m_batch = std::make_unique<RegBatch>(m_reg->rootKey());
    }
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

bool RegFileReader::valueLine(QStringView line)
{
    const RegFileResult parsed = RegValueLineParser::parseValueLine(line, &m_parsed);
    if (!parsed.ok)
        return stop(parsed.text);
    switch (m_parsed.Kind) {
    case RegValueKind::String: {
        QByteArray data = m_parsed.StringData.toUtf8();
        data.append('\0');
        write(m_parsed.Name, REG_SZ, data);
        break;
    }
    case RegValueKind::DWord: {
        const DWORD v = m_parsed.DWordData;
        const char bytes[4] = {char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char(v >> 24)};
        write(m_parsed.Name, REG_DWORD, QByteArray(bytes, 4));
        break;
    }
    case RegValueKind::Bytes:
        if (m_parsed.Continued) {
            std::swap(m_pending, m_parsed);
            m_state = State::InByteList;
        } else {
            write(m_parsed.Name, RegValueLineParser::mappedType(m_parsed.TypeCode), m_parsed.BinaryData);
        }
        break;
    }
    return true;
}

bool RegFileReader::continuationLine(QStringView line)
{
    const RegFileResult parsed = RegValueLineParser::parseHexBytes(line, &m_pending.BinaryData);
    if (!parsed.ok)
        return stop(parsed.text);
    if (!line.endsWith(u'\\')) {
        write(m_pending.Name, RegValueLineParser::mappedType(m_pending.TypeCode), m_pending.BinaryData);
        m_state = State::Normal;
    }
    return true;
}

// Values before the first key line are only checked; a write that fails is counted and the import
// goes on, so that the result can still say that the file did not arrive completely. The bytes of
// expandable and multi-strings are text in the file's encoding, stored as UTF-8.
void RegFileReader::write(const QString& name, DWORD type, const QByteArray& data)
{
    if (!m_keyOpen)
        return;
    const bool textData = type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
    const LONG rc = m_writeDenied ? ERROR_ACCESS_DENIED
                                  : RegSetValueBytes(m_reg->currentKey(), name, type,
                                                     textData ? TextCodec::decodeToUtf8Data(data) : data);
    if (rc != ERROR_SUCCESS)
        ++m_failedWrites;
}
