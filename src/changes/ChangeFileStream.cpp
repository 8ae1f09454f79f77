#include "changes/ChangeFileStream.h"

#include "platform/TextCodec.h"

#include <QtEndian>

namespace {

constexpr qsizetype WriteBlock = 64 * 1024;
constexpr qint64 ReadBlock = 64 * 1024;

bool isTextData(DWORD type)
{
    return type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// Registry bytes of a text type as the file holds them. Bytes that are no UTF-8 text stay as they are.
QByteArray fileBytesOfData(DWORD type, const QByteArray& data)
{
    if (!isTextData(type) || !TextCodec::isValidUtf8(data))
        return data;
    return TextCodec::encode(QString::fromUtf8(data));
}

QByteArray dataOfFileBytes(DWORD type, const QByteArray& bytes)
{
    return isTextData(type) ? TextCodec::decode(bytes).toUtf8() : bytes;
}

QString reasonText(const ChangeFileError& error)
{
    using Kind = ChangeFileError::Kind;
    switch (error.kind) {
    case Kind::CutOff:
        return QStringLiteral("der Eintrag bricht mitten ab");
    case Kind::NegativeLength:
        return QStringLiteral("negative Länge %1").arg(error.detail);
    case Kind::BeyondEnd:
        return QStringLiteral("die Länge %1 reicht über das Dateiende hinaus").arg(error.detail);
    case Kind::UnknownTag:
        return QStringLiteral("unbekannte Kennung %1").arg(error.detail);
    case Kind::MisplacedTag:
        return QStringLiteral("Kennung %1 an falscher Stelle").arg(error.detail);
    case Kind::NoEndTag:
        return QStringLiteral("die Endekennung fehlt");
    default:
        return QString();
    }
}

} // namespace

QString ChangeFileError::text(const QString& fileName) const
{
    switch (kind) {
    case Kind::None:
        return QString();
    case Kind::CannotOpen:
    case Kind::NotChangeList:
        return QStringLiteral("Kann Datei nicht öffnen.");
    case Kind::NotAnalysisFile:
        return QStringLiteral("\"%1\" ist keine Analysedatei.").arg(fileName);
    default:
        return QStringLiteral("Die Datei \"%1\" ist ab Byte %2 beschädigt: %3.")
            .arg(fileName)
            .arg(offset)
            .arg(reasonText(*this));
    }
}

ChangeFieldWriter::ChangeFieldWriter(QIODevice& device)
    : m_device(device)
{
}

void ChangeFieldWriter::writeRaw(QByteArrayView bytes)
{
    if (!m_ok)
        return;
    m_buffer.append(bytes);
    if (m_buffer.size() >= WriteBlock)
        (void)flush();
}

void ChangeFieldWriter::writeInt(qint32 number)
{
    char bytes[4];
    qToLittleEndian<qint32>(number, bytes);
    writeRaw(QByteArrayView(bytes, 4));
}

void ChangeFieldWriter::writeString(QByteArrayView bytes)
{
    writeInt(qint32(bytes.size()));
    writeRaw(bytes);
}

void ChangeFieldWriter::writeText(QStringView text)
{
    writeString(TextCodec::encode(text));
}

void ChangeFieldWriter::writeValueData(const TRegValue& value)
{
    switch (value.DataType) {
    case REG_SZ: {
        const qsizetype zero = value.StringData.indexOf(QChar(0));
        writeText(zero < 0 ? QStringView(value.StringData) : QStringView(value.StringData).first(zero));
        return;
    }
    case REG_DWORD:
        writeInt(qint32(value.DWordData));
        return;
    default:
        writeString(fileBytesOfData(value.DataType, value.BinaryData));
        return;
    }
}

bool ChangeFieldWriter::flush()
{
    if (m_ok && !m_buffer.isEmpty())
        m_ok = m_device.write(m_buffer) == m_buffer.size();
    m_buffer.clear();
    return m_ok;
}

ChangeFieldReader::ChangeFieldReader(QIODevice& device)
    : m_device(device)
    , m_pos(device.pos())
    , m_recordStart(m_pos)
    , m_size(device.isSequential() ? -1 : device.size()) // asked once: a file's size costs a system call
{
}

bool ChangeFieldReader::fill()
{
    if (m_bufferPos < m_buffer.size())
        return true;
    m_buffer = m_device.read(ReadBlock);
    m_bufferPos = 0;
    return !m_buffer.isEmpty();
}

bool ChangeFieldReader::atEnd()
{
    return !fill();
}

void ChangeFieldReader::fail(ChangeFileError::Kind kind, qint64 detail)
{
    m_error = {kind, m_recordStart, detail};
}

bool ChangeFieldReader::readRaw(qint64 count, QByteArray& bytes)
{
    bytes.clear();
    // Taken in blocks: memory grows only with bytes that are really there.
    while (bytes.size() < count) {
        if (!fill()) {
            fail(ChangeFileError::Kind::CutOff);
            return false;
        }
        const qsizetype take = qsizetype(qMin<qint64>(count - bytes.size(), m_buffer.size() - m_bufferPos));
        bytes.append(QByteArrayView(m_buffer).sliced(m_bufferPos, take));
        m_bufferPos += take;
        m_pos += take;
    }
    return true;
}

bool ChangeFieldReader::readInt(qint32& number)
{
    if (fill() && m_buffer.size() - m_bufferPos >= 4) { // the common case, without a copy
        number = qFromLittleEndian<qint32>(m_buffer.constData() + m_bufferPos);
        m_bufferPos += 4;
        m_pos += 4;
        return true;
    }
    QByteArray bytes;
    if (!readRaw(4, bytes))
        return false;
    number = qFromLittleEndian<qint32>(bytes.constData());
    return true;
}

bool ChangeFieldReader::readString(QByteArray& bytes)
{
    qint32 length = 0;
    if (!readInt(length))
        return false;
    if (length < 0) {
        fail(ChangeFileError::Kind::NegativeLength, length);
        return false;
    }
    if (m_size >= 0 && length > m_size - m_pos) {
        fail(ChangeFileError::Kind::BeyondEnd, length);
        return false;
    }
    if (readRaw(length, bytes))
        return true;
    fail(ChangeFileError::Kind::BeyondEnd, length); // a stream that ended early
    return false;
}

bool ChangeFieldReader::readText(QString& text)
{
    QByteArray bytes;
    if (!readString(bytes))
        return false;
    text = TextCodec::decode(bytes);
    return true;
}

bool ChangeFieldReader::readValueData(DWORD type, TRegValue& value)
{
    value = TRegValue();
    value.DataType = type;
    if (type == REG_SZ)
        return readText(value.StringData);
    if (type == REG_DWORD) {
        qint32 number = 0;
        const bool read = readInt(number);
        value.DWordData = DWORD(number);
        return read;
    }
    QByteArray bytes;
    if (!readString(bytes))
        return false;
    value.BinaryData = dataOfFileBytes(type, bytes);
    return true;
}
