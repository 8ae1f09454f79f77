#include "platform/remote/RemoteBackend.h"

#include "platform/remote/RemoteConnection.h"

#include <QProcess>
#include <QRegularExpression>

using namespace RemoteProtocol;

namespace {

// An answer that takes longer than this means the machine or the way to it is gone.
constexpr int CallTimeoutMs = 30000;
// Reading ahead: keys asked at once, and the bytes of values the server sends in one answer.
constexpr int KeysAhead = 4096;
constexpr quint32 BytesAhead = 4u * 1024 * 1024;
// Values read ahead and not yet asked for are dropped past this.
constexpr qsizetype MaxPrefetchedBytes = 64 * 1024 * 1024;
constexpr qsizetype MaxRememberedGens = 500000;

MessageWriter request(Op op)
{
    MessageWriter w;
    w.u8(quint8(op));
    return w;
}

qsizetype bytesOf(const QVector<BackendValue>& values)
{
    qsizetype n = 0;
    for (const BackendValue& v : values)
        n += v.data.size() + 2 * v.name.size() + 16;
    return n;
}

} // namespace

struct RemoteBackend::Reply {
    QByteArray payload;
    MessageReader in{QByteArrayView()};
    LONG rc = ERROR_BAD_NETPATH;
};

std::shared_ptr<RemoteBackend> RemoteBackend::connect(const QStringList& command, QString* error)
{
    std::shared_ptr<RemoteBackend> backend(new RemoteBackend());
    backend->m_connection = RemoteConnection::start(command, error);
    if (!backend->m_connection)
        return nullptr;
    MessageWriter hello = request(Op::Hello);
    hello.u32(Magic).u32(Version);
    Reply reply;
    if (!backend->exchange(hello, &reply) || reply.rc != ERROR_SUCCESS) {
        *error = QStringLiteral("Die Gegenstelle antwortet nicht als Registrierungsserver.");
        return nullptr;
    }
    const quint32 version = reply.in.u32();
    backend->m_readOnly = reply.in.u8() != 0;
    if (backend->finish(reply) != ERROR_SUCCESS || version != Version) {
        *error = QStringLiteral("Die Gegenstelle antwortet nicht als Registrierungsserver.");
        return nullptr;
    }
    return backend;
}

QStringList RemoteBackend::commandFor(const QString& machine)
{
    // a host, optionally with a user: nothing ssh could read as an option or a second argument
    static const QRegularExpression hostName(QStringLiteral("^[A-Za-z0-9_.%:\\[\\]@-]+$"));
    if (machine.isEmpty() || machine.startsWith(QLatin1Char('-')) || !hostName.match(machine).hasMatch())
        return {};
    const QString sshEnv = QString::fromLocal8Bit(qgetenv("KAVEN_SSH")).trimmed();
    QStringList command = sshEnv.isEmpty() ? QStringList{QStringLiteral("ssh")} : QProcess::splitCommand(sshEnv);
    const QString serveEnv = QString::fromLocal8Bit(qgetenv("KAVEN_REGSERVE")).trimmed();
    command << QStringLiteral("-o") << QStringLiteral("BatchMode=yes") << machine
            << (serveEnv.isEmpty() ? QStringLiteral("kaven-regserve") : serveEnv) << QStringLiteral("--stdio");
    return command;
}

RemoteBackend::~RemoteBackend() = default;

bool RemoteBackend::broken() const
{
    std::lock_guard lock(m_mutex);
    return !m_connection;
}

qint64 RemoteBackend::childPid() const
{
    std::lock_guard lock(m_mutex);
    return m_connection ? qint64(m_connection->pid()) : -1;
}

void RemoteBackend::markBroken()
{
    m_connection.reset();
    // open handles look again whether their key is alive, and hear of the lost connection
    m_brokenBump = 1ULL << 63;
    m_gens.clear();
    m_prefetched.clear();
    m_prefetchedBytes = 0;
}

bool RemoteBackend::exchange(const MessageWriter& req, Reply* reply)
{
    if (!m_connection)
        return false;
    if (!m_connection->call(req.payload(), &reply->payload, CallTimeoutMs)) {
        markBroken();
        return false;
    }
    reply->in = MessageReader(reply->payload);
    const quint8 status = reply->in.u8();
    reply->rc = reply->in.i32();
    const quint64 deletions = reply->in.u64();
    if (!reply->in.ok() || status != quint8(Status::Answer)) {
        markBroken();
        reply->rc = ERROR_BAD_NETPATH;
        return false;
    }
    if (deletions != m_deletions) {
        m_deletions = deletions;
        m_gens.clear();
    }
    return true;
}

LONG RemoteBackend::finish(Reply& reply)
{
    if (!m_connection)
        return ERROR_BAD_NETPATH;
    if (!reply.in.finished()) {
        markBroken();
        return ERROR_BAD_NETPATH;
    }
    return reply.rc;
}

LONG RemoteBackend::simple(const MessageWriter& req)
{
    std::lock_guard lock(m_mutex);
    Reply reply;
    (void)exchange(req, &reply);
    return finish(reply);
}

void RemoteBackend::noteGens(KeyId id, const Generations& g)
{
    if (m_gens.size() > MaxRememberedGens)
        m_gens.clear();
    m_gens.insert(id, g);
}

void RemoteBackend::readGensIfAny(KeyId id, MessageReader& in)
{
    // the server names the generations of every key it knows, also when the call failed
    if (in.ok() && !in.finished())
        noteGens(id, in.gens());
}

Generations RemoteBackend::gensOf(KeyId id)
{
    const auto it = m_gens.constFind(id);
    if (it != m_gens.constEnd())
        return *it;
    MessageWriter req = request(Op::Generations);
    req.i64(id);
    Reply reply;
    if (exchange(req, &reply) && reply.rc == ERROR_SUCCESS) {
        const Generations g = reply.in.gens();
        if (finish(reply) == ERROR_SUCCESS) {
            noteGens(id, g);
            return g;
        }
    }
    return Generations{m_brokenBump, m_brokenBump};
}

LONG RemoteBackend::predefinedKey(HKEY hkey, KeyId* id)
{
    std::lock_guard lock(m_mutex);
    if (!m_connection)
        return ERROR_BAD_NETPATH;
    // root keys are never deleted: their ids are asked once
    if (const auto it = m_predefined.constFind(hkey); it != m_predefined.constEnd()) {
        *id = *it;
        return ERROR_SUCCESS;
    }
    MessageWriter req = request(Op::PredefinedKey);
    req.u32(quint32(hkey));
    Reply reply;
    if (exchange(req, &reply) && reply.rc == ERROR_SUCCESS) {
        const KeyId got = reply.in.i64();
        noteGens(got, reply.in.gens());
        if (finish(reply) == ERROR_SUCCESS) {
            m_predefined.insert(hkey, got);
            *id = got;
        }
    }
    return finish(reply);
}

LONG RemoteBackend::openKey(KeyId base, const QStringList& path, REGSAM access, KeyId* id)
{
    std::lock_guard lock(m_mutex);
    MessageWriter req = request(Op::OpenKey);
    req.i64(base).texts(path).u32(access);
    Reply reply;
    if (exchange(req, &reply) && reply.rc == ERROR_SUCCESS) {
        *id = reply.in.i64();
        noteGens(*id, reply.in.gens());
    }
    return finish(reply);
}

LONG RemoteBackend::createKey(KeyId base, const QStringList& path, REGSAM access, KeyId* id, DWORD* disposition)
{
    std::lock_guard lock(m_mutex);
    MessageWriter req = request(Op::CreateKey);
    req.i64(base).texts(path).u32(access);
    Reply reply;
    if (exchange(req, &reply) && reply.rc == ERROR_SUCCESS) {
        *id = reply.in.i64();
        *disposition = reply.in.u32();
        noteGens(*id, reply.in.gens());
    }
    return finish(reply);
}

bool RemoteBackend::keyAlive(KeyId id)
{
    std::lock_guard lock(m_mutex);
    MessageWriter req = request(Op::KeyAlive);
    req.i64(id);
    Reply reply;
    bool alive = false;
    if (exchange(req, &reply) && reply.rc == ERROR_SUCCESS)
        alive = reply.in.u8() != 0;
    return finish(reply) == ERROR_SUCCESS && alive;
}

LONG RemoteBackend::subKeys(KeyId id, QStringList* names, QVector<quint64>* lastWrite)
{
    std::lock_guard lock(m_mutex);
    MessageWriter req = request(Op::SubKeys);
    req.i64(id);
    Reply reply;
    if (exchange(req, &reply) && reply.rc == ERROR_SUCCESS) {
        *names = reply.in.texts(1u << 24, MAX_KEY_NAME);
        const quint32 n = reply.in.count(1u << 24, 8);
        QVector<quint64> times;
        times.reserve(n);
        for (quint32 i = 0; i < n; ++i)
            times.append(reply.in.u64());
        if (lastWrite)
            *lastWrite = std::move(times);
    }
    readGensIfAny(id, reply.in);
    return finish(reply);
}

LONG RemoteBackend::branchKeys(KeyId id, bool subKeysOnly, int limit, QString* position,
                               QVector<BackendBranchKey>* keys)
{
    std::lock_guard lock(m_mutex);
    keys->clear();
    if (position->isEmpty()) {
        m_branchOrder.clear();
        m_branchPlace.clear();
        m_prefetched.clear();
        m_prefetchedBytes = 0;
    }
    MessageWriter req = request(Op::BranchKeys);
    req.i64(id).u8(subKeysOnly ? 1 : 0).u32(quint32(std::max(limit, 1))).text(*position);
    Reply reply;
    if (exchange(req, &reply) && reply.rc == ERROR_SUCCESS) {
        *position = reply.in.text();
        // a key on the wire: ids, name, deny, values, generations; at least 48 bytes
        const quint32 n = reply.in.count(1u << 24, 48);
        keys->reserve(n);
        for (quint32 i = 0; i < n && reply.in.ok(); ++i) {
            BackendBranchKey k;
            k.id = reply.in.i64();
            k.parentId = reply.in.i64();
            k.name = reply.in.text(MAX_KEY_NAME);
            k.deny = reply.in.u32();
            k.values = reply.in.i64();
            k.valueGeneration = reply.in.u64();
            k.subKeyGeneration = reply.in.u64();
            noteGens(k.id, Generations{k.subKeyGeneration, k.valueGeneration});
            if (k.values > 0) {
                m_branchPlace.insert(k.id, m_branchOrder.size());
                m_branchOrder.append(k.id);
            }
            keys->append(std::move(k));
        }
    }
    const LONG rc = finish(reply);
    if (rc != ERROR_SUCCESS)
        keys->clear();
    return rc;
}

LONG RemoteBackend::values(KeyId id, QVector<BackendValue>* values)
{
    std::lock_guard lock(m_mutex);
    if (!m_connection)
        return ERROR_BAD_NETPATH;
    const auto it = m_prefetched.find(id);
    if (it != m_prefetched.end()) {
        Prefetched kept = std::move(*it);
        m_prefetched.erase(it);
        m_prefetchedBytes -= kept.bytes;
        // read ahead before a write of this process or another: asked again
        if (kept.valueGeneration == gensOf(id).values) {
            *values = std::move(kept.values);
            return ERROR_SUCCESS;
        }
    }
    if (m_branchPlace.contains(id))
        return prefetchValues(id, values);
    MessageWriter req = request(Op::Values);
    req.i64(id);
    Reply reply;
    if (exchange(req, &reply) && reply.rc == ERROR_SUCCESS)
        *values = reply.in.values();
    readGensIfAny(id, reply.in);
    return finish(reply);
}

// The values of id and of the branch's keys after it that were not read yet, in one round trip.
LONG RemoteBackend::prefetchValues(KeyId id, QVector<BackendValue>* values)
{
    QVector<KeyId> ids{id};
    for (qsizetype at = m_branchPlace.value(id) + 1; at < m_branchOrder.size() && ids.size() < KeysAhead; ++at)
        if (!m_prefetched.contains(m_branchOrder.at(at)))
            ids.append(m_branchOrder.at(at));
    MessageWriter req = request(Op::ValuesOfKeys);
    req.u32(quint32(ids.size()));
    for (const KeyId k : std::as_const(ids))
        req.i64(k);
    req.u32(BytesAhead);
    Reply reply;
    LONG own = ERROR_BAD_NETPATH;
    if (exchange(req, &reply) && reply.rc == ERROR_SUCCESS) {
        const quint32 n = reply.in.count(quint32(ids.size()), 24);
        for (quint32 i = 0; i < n && reply.in.ok(); ++i) {
            const KeyId key = reply.in.i64();
            const LONG code = reply.in.i32();
            const quint64 generation = reply.in.u64();
            QVector<BackendValue> list = reply.in.values();
            if (i == 0) {
                if (key != id)
                    reply.in.fail();
                own = code;
                *values = std::move(list);
            } else if (code == ERROR_SUCCESS) {
                const qsizetype bytes = bytesOf(list);
                m_prefetchedBytes += bytes;
                m_prefetched.insert(key, Prefetched{generation, std::move(list), bytes});
            }
        }
        if (n == 0)
            reply.in.fail();
    }
    if (m_prefetchedBytes > MaxPrefetchedBytes) {
        m_prefetched.clear();
        m_prefetchedBytes = 0;
    }
    const LONG rc = finish(reply);
    return rc == ERROR_SUCCESS ? own : rc;
}

LONG RemoteBackend::queryValue(KeyId id, const QString& name, DWORD* type, QByteArray* data)
{
    std::lock_guard lock(m_mutex);
    MessageWriter req = request(Op::QueryValue);
    req.i64(id).text(name);
    Reply reply;
    if (exchange(req, &reply) && reply.rc == ERROR_SUCCESS) {
        const DWORD t = reply.in.u32();
        const QByteArray d = reply.in.bytes();
        if (type)
            *type = t;
        if (data)
            *data = d;
    }
    return finish(reply);
}

LONG RemoteBackend::setValue(KeyId id, const QString& name, DWORD type, QByteArrayView data)
{
    std::lock_guard lock(m_mutex);
    if (data.size() > qsizetype(MaxFrame) - 2 * name.size() - 64)
        return ERROR_OUTOFMEMORY;
    MessageWriter req = request(Op::SetValue);
    req.i64(id).text(name).u32(type).bytes(data);
    Reply reply;
    (void)exchange(req, &reply);
    readGensIfAny(id, reply.in);
    return finish(reply);
}

LONG RemoteBackend::deleteValue(KeyId id, const QString& name)
{
    std::lock_guard lock(m_mutex);
    MessageWriter req = request(Op::DeleteValue);
    req.i64(id).text(name);
    Reply reply;
    (void)exchange(req, &reply);
    readGensIfAny(id, reply.in);
    return finish(reply);
}

LONG RemoteBackend::deleteKey(KeyId id)
{
    return simple(request(Op::DeleteKey).i64(id));
}

LONG RemoteBackend::keyInfo(KeyId id, BackendKeyInfo* info)
{
    std::lock_guard lock(m_mutex);
    MessageWriter req = request(Op::KeyInfo);
    req.i64(id);
    Reply reply;
    if (exchange(req, &reply) && reply.rc == ERROR_SUCCESS) {
        info->subKeys = reply.in.u32();
        info->maxSubKeyLen = reply.in.u32();
        info->values = reply.in.u32();
        info->maxValueNameLen = reply.in.u32();
        info->maxValueLen = reply.in.u32();
        info->lastWrite = reply.in.u64();
    }
    readGensIfAny(id, reply.in);
    return finish(reply);
}

LONG RemoteBackend::keyDeny(KeyId id, DWORD* flags)
{
    std::lock_guard lock(m_mutex);
    MessageWriter req = request(Op::KeyDeny);
    req.i64(id);
    Reply reply;
    if (exchange(req, &reply) && reply.rc == ERROR_SUCCESS)
        *flags = reply.in.u32();
    return finish(reply);
}

LONG RemoteBackend::setKeyDeny(KeyId id, DWORD flags)
{
    return simple(request(Op::SetKeyDeny).i64(id).u32(flags));
}

LONG RemoteBackend::beginBatch()
{
    return simple(request(Op::BeginBatch));
}

LONG RemoteBackend::endBatch()
{
    return simple(request(Op::EndBatch));
}

LONG RemoteBackend::flush()
{
    return simple(request(Op::Flush));
}

LONG RemoteBackend::batchFailure()
{
    std::lock_guard lock(m_mutex);
    if (!m_connection)
        return ERROR_BAD_NETPATH;
    MessageWriter req = request(Op::BatchFailure);
    Reply reply;
    (void)exchange(req, &reply);
    return finish(reply);
}

quint64 RemoteBackend::subKeyGeneration(KeyId id)
{
    std::lock_guard lock(m_mutex);
    return m_connection ? gensOf(id).subKeys : m_brokenBump;
}

quint64 RemoteBackend::valueGeneration(KeyId id)
{
    std::lock_guard lock(m_mutex);
    return m_connection ? gensOf(id).values : m_brokenBump;
}

quint64 RemoteBackend::deletionGeneration()
{
    std::lock_guard lock(m_mutex);
    return m_deletions + m_brokenBump;
}

LONG RemoteBackend::watchedKey(KeyId, bool, DWORD, WatchedKey*)
{
    return ErrorNotSupported;
}
