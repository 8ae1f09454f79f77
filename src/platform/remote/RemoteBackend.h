#pragma once

// The registry of another machine, reached through a child process that runs the registry server
// there (ssh HOST kaven-regserve --stdio). Every call is one round trip, except what the answers
// already told: each answer carries the server's deletion generation and the generations of the key
// it concerns, so that the handle caches compare without asking; when the server's deletion
// generation moves (a key was deleted, or another process wrote there), everything remembered is
// dropped. A walk over a branch reads the values of many keys of the branch in one round trip.
//
// A broken connection (the child ended, a malformed answer, no answer in time) makes this object
// dead for good: every call answers ERROR_BAD_NETPATH, and the machine's next connection starts a
// new child. Change notification is not offered (ErrorNotSupported): watches stay local.

#include "platform/RegistryBackend.h"
#include "platform/remote/RemoteProtocol.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>
#include <mutex>

class RemoteConnection;

class RemoteBackend final : public RegistryBackend {
public:
    // Starts command and greets the server; null with *error when it does not answer as one.
    static std::shared_ptr<RemoteBackend> connect(const QStringList& command, QString* error);
    // The command that reaches machine ("host" or "user@host"): $KAVEN_SSH (default "ssh") with its
    // options, "-o BatchMode=yes", the machine, $KAVEN_REGSERVE (default "kaven-regserve") and
    // "--stdio". Empty for a name that is no host name (one ssh would take for an option, say).
    [[nodiscard]] static QStringList commandFor(const QString& machine);
    ~RemoteBackend() override;

    [[nodiscard]] bool broken() const;
    // The process id of the child (for tests), -1 once the connection broke.
    [[nodiscard]] qint64 childPid() const;

    LONG predefinedKey(HKEY hkey, KeyId* id) override;
    LONG openKey(KeyId base, const QStringList& path, REGSAM access, KeyId* id) override;
    LONG createKey(KeyId base, const QStringList& path, REGSAM access, KeyId* id, DWORD* disposition) override;
    bool keyAlive(KeyId id) override;
    LONG subKeys(KeyId id, QStringList* names, QVector<quint64>* lastWrite) override;
    LONG branchKeys(KeyId id, bool subKeysOnly, int limit, QString* position,
                    QVector<BackendBranchKey>* keys) override;
    LONG values(KeyId id, QVector<BackendValue>* values) override;
    LONG queryValue(KeyId id, const QString& name, DWORD* type, QByteArray* data) override;
    LONG setValue(KeyId id, const QString& name, DWORD type, QByteArrayView data) override;
    LONG deleteValue(KeyId id, const QString& name) override;
    LONG deleteKey(KeyId id) override;
    LONG keyInfo(KeyId id, BackendKeyInfo* info) override;
    LONG keyDeny(KeyId id, DWORD* flags) override;
    LONG setKeyDeny(KeyId id, DWORD flags) override;
    LONG beginBatch() override;
    LONG endBatch() override;
    LONG flush() override;
    LONG batchFailure() override;
    bool readOnly() const override { return m_readOnly; }
    quint64 subKeyGeneration(KeyId id) override;
    quint64 valueGeneration(KeyId id) override;
    quint64 deletionGeneration() override;
    LONG watchedKey(KeyId id, bool subtree, DWORD filter, WatchedKey* key) override;
    ChangeCursor changeCursor() override { return {}; }
    QVector<BackendChange> changesSince(ChangeCursor) override { return {}; }
    bool concerns(const BackendChange&, const WatchedKey&) const override { return false; }

private:
    struct Reply;
    struct Prefetched {
        quint64 valueGeneration = 0;
        QVector<BackendValue> values;
        qsizetype bytes = 0;
    };

    RemoteBackend() = default;
    // One round trip; false (and the connection dead) when it broke. reply->rc is the server's code.
    bool exchange(const RemoteProtocol::MessageWriter& request, Reply* reply);
    // The code of a finished reply: ERROR_BAD_NETPATH (and the connection dead) when its body did not
    // read exactly.
    LONG finish(Reply& reply);
    // A call answering only a code.
    LONG simple(const RemoteProtocol::MessageWriter& request);
    void markBroken();
    void noteGens(KeyId id, const RemoteProtocol::Generations& g);
    void readGensIfAny(KeyId id, RemoteProtocol::MessageReader& in);
    [[nodiscard]] RemoteProtocol::Generations gensOf(KeyId id);
    LONG prefetchValues(KeyId id, QVector<BackendValue>* values);

    mutable std::recursive_mutex m_mutex;
    std::unique_ptr<RemoteConnection> m_connection;
    bool m_readOnly = false;
    quint64 m_deletions = 0;
    quint64 m_brokenBump = 0;
    QHash<HKEY, KeyId> m_predefined;
    QHash<KeyId, RemoteProtocol::Generations> m_gens;
    // The keys of the branch being read, in the server's order, for reading ahead their values.
    QVector<KeyId> m_branchOrder;
    QHash<KeyId, qsizetype> m_branchPlace;
    QHash<KeyId, Prefetched> m_prefetched;
    qsizetype m_prefetchedBytes = 0;
};
