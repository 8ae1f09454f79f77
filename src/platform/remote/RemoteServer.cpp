#include "platform/remote/RemoteServer.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <unistd.h>

using namespace RemoteProtocol;

namespace {

constexpr quint32 MaxBranchPart = 16384;
constexpr quint32 MaxKeysAtOnce = 65536;
constexpr quint32 MaxBudget = 32u * 1024 * 1024;

QByteArray refusal(const QString& why)
{
    MessageWriter out;
    out.u8(quint8(Status::Refused)).text(why);
    return out.payload();
}

bool writeAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

} // namespace

RemoteServer::RemoteServer(std::shared_ptr<RegistryBackend> backend) : m_backend(std::move(backend)) {}

RemoteServer::~RemoteServer()
{
    // a client gone in the middle of a batch: what it was told succeeded is committed
    while (m_batches-- > 0)
        (void)m_backend->endBatch();
}

bool RemoteServer::validPath(const QStringList& path)
{
    if (path.size() > MAX_KEY_DEPTH)
        return false;
    for (const QString& name : path)
        if (name.isEmpty() || name.size() > MAX_KEY_NAME || name.contains(QLatin1Char('\\')))
            return false;
    return true;
}

Generations RemoteServer::gensOf(KeyId id)
{
    return Generations{m_backend->subKeyGeneration(id), m_backend->valueGeneration(id)};
}

QByteArray RemoteServer::answer(QByteArrayView request)
{
    MessageReader in(request);
    const quint8 code = in.u8();
    if (!in.ok() || code == 0 || code > LastOp)
        return refusal(QStringLiteral("unbekannte Operation"));
    MessageWriter body;
    LONG rc = ERROR_SUCCESS;
    if (!dispatch(Op(code), in, body, &rc))
        return refusal(QStringLiteral("fehlerhafte Anfrage"));
    MessageWriter out;
    out.u8(quint8(Status::Answer)).i32(rc).u64(m_backend->deletionGeneration());
    out.raw(body.payload());
    return out.payload();
}

bool RemoteServer::dispatch(Op op, MessageReader& in, MessageWriter& out, LONG* rc)
{
    switch (op) {
    case Op::Hello: {
        const quint32 magic = in.u32();
        const quint32 version = in.u32();
        if (!in.finished() || magic != Magic)
            return false;
        *rc = version == Version ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER;
        out.u32(Version).u8(m_backend->readOnly() ? 1 : 0);
        return true;
    }
    case Op::PredefinedKey: {
        const quint32 hkey = in.u32();
        if (!in.finished())
            return false;
        KeyId id = 0;
        if ((*rc = m_backend->predefinedKey(HKEY(hkey), &id)) == ERROR_SUCCESS) {
            m_known.insert(id);
            out.i64(id).gens(gensOf(id));
        }
        return true;
    }
    case Op::OpenKey:
    case Op::CreateKey: {
        const KeyId base = in.i64();
        const QStringList path = in.texts(MAX_KEY_DEPTH + 1, MAX_KEY_NAME + 1);
        const REGSAM access = in.u32();
        if (!in.finished() || !validPath(path))
            return false;
        KeyId id = 0;
        DWORD disposition = 0;
        if (!m_known.contains(base))
            *rc = ERROR_INVALID_HANDLE;
        else if (op == Op::OpenKey)
            *rc = m_backend->openKey(base, path, access, &id);
        else
            *rc = m_backend->createKey(base, path, access, &id, &disposition);
        if (*rc == ERROR_SUCCESS) {
            m_known.insert(id);
            out.i64(id);
            if (op == Op::CreateKey)
                out.u32(disposition);
            out.gens(gensOf(id));
        }
        return true;
    }
    case Op::BranchKeys:
        branchKeys(in, out, rc);
        return in.finished();
    case Op::ValuesOfKeys:
        valuesOfKeys(in, out);
        return in.finished();
    case Op::BeginBatch:
    case Op::EndBatch:
    case Op::Flush:
    case Op::BatchFailure:
        if (!in.finished())
            return false;
        if (op == Op::BeginBatch) {
            if ((*rc = m_backend->beginBatch()) == ERROR_SUCCESS)
                ++m_batches;
        } else if (op == Op::EndBatch) {
            // an end without a begin is the client's mistake, not the store's
            *rc = m_batches > 0 ? m_backend->endBatch() : ERROR_INVALID_PARAMETER;
            m_batches = std::max(0, m_batches - 1);
        } else {
            *rc = op == Op::Flush ? m_backend->flush() : m_backend->batchFailure();
        }
        return true;
    default:
        return keyOp(op, in.i64(), in, out, rc);
    }
}

bool RemoteServer::keyOp(Op op, KeyId id, MessageReader& in, MessageWriter& out, LONG* rc)
{
    QString name;
    DWORD number = 0;
    QByteArray data;
    if (op == Op::QueryValue || op == Op::SetValue || op == Op::DeleteValue)
        name = in.text(MAX_VALUE_NAME);
    if (op == Op::SetValue) {
        number = in.u32();
        data = in.bytes();
    } else if (op == Op::SetKeyDeny) {
        number = in.u32();
    }
    if (!in.finished())
        return false;
    if (!m_known.contains(id)) {
        *rc = ERROR_INVALID_HANDLE;
        return true;
    }
    switch (op) {
    case Op::KeyAlive:
        out.u8(m_backend->keyAlive(id) ? 1 : 0);
        break;
    case Op::SubKeys: {
        QStringList names;
        QVector<quint64> times;
        if ((*rc = m_backend->subKeys(id, &names, &times)) == ERROR_SUCCESS) {
            out.texts(names).u32(quint32(times.size()));
            for (const quint64 t : std::as_const(times))
                out.u64(t);
        }
        out.gens(gensOf(id));
        break;
    }
    case Op::Values: {
        QVector<BackendValue> list;
        if ((*rc = m_backend->values(id, &list)) == ERROR_SUCCESS)
            out.values(list);
        out.gens(gensOf(id));
        break;
    }
    case Op::QueryValue: {
        DWORD type = 0;
        if ((*rc = m_backend->queryValue(id, name, &type, &data)) == ERROR_SUCCESS)
            out.u32(type).bytes(data);
        break;
    }
    case Op::SetValue:
        *rc = m_backend->setValue(id, name, number, data);
        out.gens(gensOf(id));
        break;
    case Op::DeleteValue:
        *rc = m_backend->deleteValue(id, name);
        out.gens(gensOf(id));
        break;
    case Op::DeleteKey:
        *rc = m_backend->deleteKey(id);
        break;
    case Op::KeyInfo: {
        BackendKeyInfo info;
        if ((*rc = m_backend->keyInfo(id, &info)) == ERROR_SUCCESS)
            out.u32(info.subKeys).u32(info.maxSubKeyLen).u32(info.values).u32(info.maxValueNameLen)
                .u32(info.maxValueLen).u64(info.lastWrite);
        out.gens(gensOf(id));
        break;
    }
    case Op::KeyDeny:
        if ((*rc = m_backend->keyDeny(id, &number)) == ERROR_SUCCESS)
            out.u32(number);
        break;
    case Op::SetKeyDeny:
        *rc = m_backend->setKeyDeny(id, number);
        break;
    case Op::Generations:
        out.gens(gensOf(id));
        break;
    default:
        return false;
    }
    return true;
}

void RemoteServer::branchKeys(MessageReader& in, MessageWriter& out, LONG* rc)
{
    const KeyId id = in.i64();
    const bool subKeysOnly = in.u8() != 0;
    const quint32 limit = in.u32();
    QString position = in.text();
    if (!in.finished())
        return;
    if (!m_known.contains(id)) {
        *rc = ERROR_INVALID_HANDLE;
        return;
    }
    QVector<BackendBranchKey> keys;
    *rc = m_backend->branchKeys(id, subKeysOnly, int(std::clamp(limit, 1u, MaxBranchPart)), &position, &keys);
    if (*rc != ERROR_SUCCESS)
        return;
    out.text(position).u32(quint32(keys.size()));
    for (const BackendBranchKey& k : std::as_const(keys)) {
        m_known.insert(k.id);
        out.i64(k.id).i64(k.parentId).text(k.name).u32(k.deny).i64(k.values).u64(k.valueGeneration).u64(
            k.subKeyGeneration);
    }
}

void RemoteServer::valuesOfKeys(MessageReader& in, MessageWriter& out)
{
    const quint32 n = in.count(MaxKeysAtOnce, 8);
    QVector<KeyId> ids;
    ids.reserve(n);
    for (quint32 i = 0; i < n; ++i)
        ids.append(in.i64());
    const quint32 budget = std::min(in.u32(), MaxBudget);
    if (!in.finished())
        return;
    // as many keys as the budget holds, the first one always
    MessageWriter entries;
    quint32 answered = 0;
    for (const KeyId id : std::as_const(ids)) {
        if (answered > 0 && entries.size() >= qsizetype(budget))
            break;
        QVector<BackendValue> list;
        const LONG code = m_known.contains(id) ? m_backend->values(id, &list) : ERROR_INVALID_HANDLE;
        entries.i64(id).i32(code).u64(m_known.contains(id) ? m_backend->valueGeneration(id) : 0).values(list);
        ++answered;
    }
    out.u32(answered).raw(entries.payload());
}

int RemoteServer::serve(int in, int out, QString* error)
{
    QByteArray buffer;
    char chunk[65536];
    while (true) {
        QByteArray payload;
        const FrameState state = takeFrame(&buffer, &payload);
        if (state == FrameState::Oversized) {
            (void)writeAll(out, frame(refusal(QStringLiteral("Nachricht zu groß"))));
            *error = QStringLiteral("Nachricht über der Höchstgröße; Verbindung beendet.");
            return 1;
        }
        if (state == FrameState::Complete) {
            if (!writeAll(out, frame(answer(payload)))) {
                *error = QStringLiteral("Die Antwort konnte nicht geschrieben werden.");
                return 1;
            }
            continue;
        }
        const ssize_t n = ::read(in, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            *error = QStringLiteral("Die Anfrage konnte nicht gelesen werden.");
            return 1;
        }
        if (n == 0)
            return 0;
        buffer.append(chunk, n);
    }
}
