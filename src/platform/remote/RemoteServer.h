#pragma once

// The server side of a remote machine: answers each request with one call of the registry behind it,
// passing its result codes through unchanged. Keys are named by the backend's own ids, and only ids
// this server handed out are accepted (6 for any other), so that a client cannot reach into the
// backend with made-up ones. A malformed request is refused with a protocol error and changes nothing.

#include "platform/RegistryBackend.h"
#include "platform/remote/RemoteProtocol.h"

#include <QByteArray>
#include <QSet>

#include <memory>

class RemoteServer final {
public:
    explicit RemoteServer(std::shared_ptr<RegistryBackend> backend);
    ~RemoteServer();
    RemoteServer(const RemoteServer&) = delete;
    RemoteServer& operator=(const RemoteServer&) = delete;

    // The answer payload to one request payload.
    [[nodiscard]] QByteArray answer(QByteArrayView request);
    // Serves requests read from in and answers them on out until in closes (0) or the stream breaks:
    // an oversized frame or a failed write (1, with *error).
    [[nodiscard]] int serve(int in, int out, QString* error);

private:
    bool dispatch(RemoteProtocol::Op op, RemoteProtocol::MessageReader& in, RemoteProtocol::MessageWriter& out,
                  LONG* rc);
    bool keyOp(RemoteProtocol::Op op, KeyId id, RemoteProtocol::MessageReader& in, RemoteProtocol::MessageWriter& out,
               LONG* rc);
    void branchKeys(RemoteProtocol::MessageReader& in, RemoteProtocol::MessageWriter& out, LONG* rc);
    void valuesOfKeys(RemoteProtocol::MessageReader& in, RemoteProtocol::MessageWriter& out);
    [[nodiscard]] RemoteProtocol::Generations gensOf(KeyId id);
    [[nodiscard]] static bool validPath(const QStringList& path);

    std::shared_ptr<RegistryBackend> m_backend;
    QSet<KeyId> m_known;
    int m_batches = 0; // open batches of the client, ended when it goes away
};
