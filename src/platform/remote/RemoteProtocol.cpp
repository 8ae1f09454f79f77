#include "platform/remote/RemoteProtocol.h"

#include <QtEndian>

namespace RemoteProtocol {

namespace {

// A value on the wire: name, type and data, at least 12 bytes.
constexpr qsizetype MinValueBytes = 12;
constexpr quint32 MaxValues = 1u << 24;

} // namespace

MessageWriter& MessageWriter::u8(quint8 v)
{
    m_bytes.append(char(v));
    return *this;
}

MessageWriter& MessageWriter::u32(quint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    m_bytes.append(b, 4);
    return *this;
}

MessageWriter& MessageWriter::u64(quint64 v)
{
    char b[8];
    qToLittleEndian(v, b);
    m_bytes.append(b, 8);
    return *this;
}

MessageWriter& MessageWriter::text(const QString& s)
{
    u32(quint32(s.size()));
    for (const QChar c : s) {
        char b[2];
        qToLittleEndian(c.unicode(), b);
        m_bytes.append(b, 2);
    }
    return *this;
}

MessageWriter& MessageWriter::texts(const QStringList& list)
{
    u32(quint32(list.size()));
    for (const QString& s : list)
        text(s);
    return *this;
}

MessageWriter& MessageWriter::bytes(QByteArrayView b)
{
    u32(quint32(b.size()));
    m_bytes.append(b.data(), b.size());
    return *this;
}

MessageWriter& MessageWriter::values(const QVector<BackendValue>& list)
{
    u32(quint32(list.size()));
    for (const BackendValue& v : list)
        text(v.name).u32(v.type).bytes(v.data);
    return *this;
}

bool MessageReader::take(qsizetype n)
{
    if (m_failed || n < 0 || n > m_data.size() - m_at) {
        m_failed = true;
        return false;
    }
    m_from = m_at;
    m_at += n;
    return true;
}

quint8 MessageReader::u8()
{
    return take(1) ? quint8(m_data[m_from]) : 0;
}

quint32 MessageReader::u32()
{
    return take(4) ? qFromLittleEndian<quint32>(m_data.data() + m_from) : 0;
}

quint64 MessageReader::u64()
{
    return take(8) ? qFromLittleEndian<quint64>(m_data.data() + m_from) : 0;
}

quint32 MessageReader::count(quint32 maxCount, qsizetype minItemBytes)
{
    const quint32 n = u32();
    if (m_failed || n > maxCount || qint64(n) * minItemBytes > m_data.size() - m_at) {
        m_failed = true;
        return 0;
    }
    return n;
}

QString MessageReader::text(quint32 maxUnits)
{
    const quint32 n = count(maxUnits, 2);
    if (!take(qsizetype(n) * 2))
        return {};
    QString s(qsizetype(n), Qt::Uninitialized);
    const char* p = m_data.data() + m_from;
    for (quint32 i = 0; i < n; ++i)
        s[i] = QChar(qFromLittleEndian<quint16>(p + 2 * i));
    return s;
}

QStringList MessageReader::texts(quint32 maxCount, quint32 maxUnits)
{
    const quint32 n = count(maxCount, 4);
    QStringList list;
    list.reserve(n);
    for (quint32 i = 0; i < n && !m_failed; ++i)
        list.append(text(maxUnits));
    return m_failed ? QStringList() : list;
}

QByteArray MessageReader::bytes(quint32 maxBytes)
{
    const quint32 n = count(maxBytes, 1);
    return take(n) ? QByteArray(m_data.data() + m_from, n) : QByteArray();
}

QVector<BackendValue> MessageReader::values()
{
    const quint32 n = count(MaxValues, MinValueBytes);
    QVector<BackendValue> list;
    list.reserve(n);
    for (quint32 i = 0; i < n && !m_failed; ++i) {
        BackendValue v;
        v.name = text(MAX_VALUE_NAME);
        v.type = u32();
        v.data = bytes();
        list.append(std::move(v));
    }
    return m_failed ? QVector<BackendValue>() : list;
}

FrameState takeFrame(QByteArray* buffer, QByteArray* payload)
{
    if (buffer->size() < 4)
        return FrameState::Incomplete;
    const quint32 n = qFromLittleEndian<quint32>(buffer->constData());
    if (n > MaxFrame)
        return FrameState::Oversized;
    if (buffer->size() - 4 < qsizetype(n))
        return FrameState::Incomplete;
    *payload = buffer->mid(4, n);
    buffer->remove(0, 4 + qsizetype(n));
    return FrameState::Complete;
}

QByteArray frame(const QByteArray& payload)
{
    QByteArray out;
    out.reserve(payload.size() + 4);
    char b[4];
    qToLittleEndian(quint32(payload.size()), b);
    out.append(b, 4);
    out.append(payload);
    return out;
}

} // namespace RemoteProtocol
