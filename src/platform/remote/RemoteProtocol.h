#pragma once

// The messages between a registry client and kaven-regserve. Every message is a frame: a 32-bit
// little-endian byte count, then that many bytes. A request starts with its operation code, an
// answer with its status:
//
//   request  u8 op, then the operation's arguments
//   answer   u8 0, i32 result code, u64 the server's deletion generation, then (result 0 only, and
//            for the operations on one key always) the operation's results
//   refusal  u8 1, text: the request was malformed; nothing was done
//
// Integers are little-endian; a text is a u32 count of UTF-16 code units and the units (names keep
// every code unit, also unpaired ones); bytes are a u32 count and the bytes; a list is a u32 count
// and its items. Every count is checked against its maximum and against the bytes present before
// anything is allocated for it.

#include "platform/RegistryBackend.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

namespace RemoteProtocol {

inline constexpr quint32 Magic = 0x4B415652; // "KAVR"
inline constexpr quint32 Version = 1;
// A frame larger than this is refused unread: the stream cannot be trusted after it.
inline constexpr quint32 MaxFrame = 64u * 1024 * 1024;
inline constexpr quint32 MaxText = 1u << 20;
// A remote machine answers watches with this code: its changes are not followed.
inline constexpr LONG ErrorNotSupported = 50;

enum class Op : quint8 {
    Hello = 1,      // u32 magic, u32 version -> u32 version, u8 read-only
    PredefinedKey,  // u32 hkey -> i64 id, gens
    OpenKey,        // i64 base, texts path, u32 access -> i64 id, gens
    CreateKey,      // i64 base, texts path, u32 access -> i64 id, u32 disposition, gens
    KeyAlive,       // i64 id -> u8 alive
    SubKeys,        // i64 id -> texts names, u64s last-write times, gens
    BranchKeys,     // i64 id, u8 subkeys only, u32 limit, text position -> text position, branch keys
    Values,         // i64 id -> values, gens
    ValuesOfKeys,   // i64s ids, u32 byte budget -> list of (i64 id, i32 code, u64 value generation, values)
    QueryValue,     // i64 id, text name -> u32 type, bytes data
    SetValue,       // i64 id, text name, u32 type, bytes data -> gens
    DeleteValue,    // i64 id, text name -> gens
    DeleteKey,      // i64 id
    KeyInfo,        // i64 id -> u32 x5, u64 last write, gens
    KeyDeny,        // i64 id -> u32 flags
    SetKeyDeny,     // i64 id, u32 flags
    BeginBatch,
    EndBatch,
    Flush,
    BatchFailure,
    Generations,    // i64 id -> gens
};
inline constexpr quint8 LastOp = quint8(Op::Generations);

enum class Status : quint8 { Answer = 0, Refused = 1 };

// "gens": u64 subkey generation, u64 value generation of the key the operation concerns.
struct Generations {
    quint64 subKeys = 0;
    quint64 values = 0;
};

class MessageWriter final {
public:
    MessageWriter& u8(quint8 v);
    MessageWriter& u32(quint32 v);
    MessageWriter& i32(qint32 v) { return u32(quint32(v)); }
    MessageWriter& u64(quint64 v);
    MessageWriter& i64(qint64 v) { return u64(quint64(v)); }
    MessageWriter& text(const QString& s);
    MessageWriter& texts(const QStringList& list);
    MessageWriter& bytes(QByteArrayView b);
    MessageWriter& values(const QVector<BackendValue>& list);
    MessageWriter& gens(const Generations& g) { return u64(g.subKeys).u64(g.values); }
    MessageWriter& raw(QByteArrayView b)
    {
        m_bytes.append(b.data(), b.size());
        return *this;
    }

    [[nodiscard]] const QByteArray& payload() const { return m_bytes; }
    [[nodiscard]] qsizetype size() const { return m_bytes.size(); }

private:
    QByteArray m_bytes;
};

// Reads a payload; the first read past the end or over a limit fails the reader, and every later read
// answers zero or empty, so that a caller checks ok() once at the end.
class MessageReader final {
public:
    explicit MessageReader(QByteArrayView payload) : m_data(payload) {}

    quint8 u8();
    quint32 u32();
    qint32 i32() { return qint32(u32()); }
    quint64 u64();
    qint64 i64() { return qint64(u64()); }
    QString text(quint32 maxUnits = MaxText);
    QStringList texts(quint32 maxCount, quint32 maxUnits);
    QByteArray bytes(quint32 maxBytes = MaxFrame);
    QVector<BackendValue> values();
    Generations gens() { return Generations{u64(), u64()}; }
    // A list's item count, refused when its items could not fit in the bytes left at minItemBytes each.
    quint32 count(quint32 maxCount, qsizetype minItemBytes);

    [[nodiscard]] bool ok() const { return !m_failed; }
    // Every byte was read and none was missing.
    [[nodiscard]] bool finished() const { return !m_failed && m_at == m_data.size(); }
    void fail() { m_failed = true; }

private:
    [[nodiscard]] bool take(qsizetype n);

    QByteArrayView m_data;
    qsizetype m_at = 0;
    qsizetype m_from = 0; // start of the last take
    bool m_failed = false;
};

enum class FrameState { Incomplete, Complete, Oversized };
// Takes the first complete frame off the front of buffer.
[[nodiscard]] FrameState takeFrame(QByteArray* buffer, QByteArray* payload);
[[nodiscard]] QByteArray frame(const QByteArray& payload);

} // namespace RemoteProtocol
