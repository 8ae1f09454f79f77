#include "regfile/RegFileReader.h"

#include "platform/WinReg.h"
#include "regfile/RegFileError.h"
#include "regfile/RegFileLineSource.h"
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

bool RegFileReader::run(RegFileLineSource& lines)
{
    QString line;
    bool stopped = false;
    while (lines.next(&line)) {
        m_progress.step();
        if (m_progress.abortRequested() || processLine(line) == Outcome::Stop) {
            stopped = true;
            break;
        }
    }
    m_reg->closeKey();
    m_batch.reset();
    if (!stopped && lines.failed()) {
        SetLastRegFileError(RegFileTexts::BadLine);
        stopped = true;
    }
    if (stopped)
        return false;
    if (m_failedWrites > 0) {
        SetLastRegFileError(m_failedWrites == 1
                                ? QStringLiteral("1 Wert konnte nicht geschrieben werden")
                                : QStringLiteral("%1 Werte konnten nicht geschrieben werden").arg(m_failedWrites));
        return false;
    }
    return m_keyOpen;
}

RegFileReader::Outcome RegFileReader::processLine(QStringView rawLine)
{
    const QStringView line = RegValueLineParser::trimLine(rawLine);
    if (line.isEmpty() || line.startsWith(u';'))
        return Outcome::Continue;
    if (m_state == State::ExpectHeader) {
        if (line.compare(u"REGEDIT4", Qt::CaseInsensitive) != 0)
            return Outcome::Stop;
        m_state = State::Normal;
        return Outcome::Continue;
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
    SetLastRegFileError(RegFileTexts::BadLine);
    return Outcome::Stop;
}

RegFileReader::Outcome RegFileReader::keyLine(QStringView pathView)
{
    const QString path = pathView.toString();
    m_reg->closeKey();
    m_keyOpen = false;
    const HKEY root = GetRootKey(path);
    if (root == 0)
        return Outcome::Stop;
    if (root != m_root) {
        // The batch belongs to the store behind the root; it commits before the root changes.
        m_batch.reset();
        m_root = 0;
        if (!ConnectRootKey(*m_reg, root, true))
            return Outcome::Stop;
        m_root = root;
        m_batch = std::make_unique<RegBatch>(m_reg->rootKey());
    }
    const QString subKey = QLatin1Char('\\') + GetSubKeyPath(path);
    m_writeDenied = false;
    if (!m_reg->openKey(subKey, true)) {
        // A key that exists but refuses writing does not stop the import: its values are counted
        // as not written, and the lines after it still apply.
        if (!m_reg->keyExists(subKey))
            return Outcome::Stop;
        m_writeDenied = true;
    }
    m_keyOpen = true;
    return Outcome::Continue;
}

RegFileReader::Outcome RegFileReader::valueLine(QStringView line)
{
    if (!ParseRegValueLine(line, &m_parsed))
        return Outcome::Stop;
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
    return Outcome::Continue;
}

RegFileReader::Outcome RegFileReader::continuationLine(QStringView line)
{
    if (!ParseHexBytes(line, &m_pending.BinaryData))
        return Outcome::Stop;
    if (!line.endsWith(u'\\')) {
        write(m_pending.Name, RegValueLineParser::mappedType(m_pending.TypeCode), m_pending.BinaryData);
        m_state = State::Normal;
    }
    return Outcome::Continue;
}

// Values before the first key line are only checked; a write that fails is counted and the import
// goes on, so that the result can still say that the file did not arrive completely.
void RegFileReader::write(const QString& name, DWORD type, const QByteArray& data)
{
    if (!m_keyOpen)
        return;
    if (m_writeDenied || RegSetValueBytes(m_reg->currentKey(), name, type, data) != ERROR_SUCCESS)
        ++m_failedWrites;
}
