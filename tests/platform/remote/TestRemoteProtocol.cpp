// The message codec against malformed input, and the registry server against a real store: codes
// passed through unchanged, malformed requests refused without effect, random requests survived, and
// kaven-regserve itself ending cleanly on a broken stream.

#include "platform/HandleTable.h"
#include "platform/WinReg.h"
#include "platform/remote/RemoteProtocol.h"
#include "platform/remote/RemoteServer.h"
#include "support/TempStore.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QTest>

#include <optional>

using namespace RemoteProtocol;
using namespace Qt::StringLiterals;

namespace {

QByteArray le32(quint32 v)
{
    MessageWriter w;
    w.u32(v);
    return w.payload();
}

MessageWriter req(Op op)
{
    MessageWriter w;
    w.u8(quint8(op));
    return w;
}

// The answer's code and the id it starts with; refused answers have code -1.
struct Answer {
    LONG rc = -1;
    KeyId id = 0;
};

Answer ask(RemoteServer& server, const QByteArray& request)
{
    const QByteArray bytes = server.answer(request);
    MessageReader in(bytes);
    if (in.u8() != quint8(Status::Answer))
        return {};
    const LONG rc = in.i32();
    (void)in.u64();
    return {rc, in.i64()};
}

} // namespace

class TestRemoteProtocol final : public QObject {
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_store.emplace().ok()); }
    void cleanup() { m_store.reset(); }

    // Payloads each read cut short or over a limit leave the reader failed for good.
    void readerRefusesMalformed()
    {
        enum Read { U32, U64, Text, Texts, Bytes, Values };
        const std::pair<QByteArray, Read> cases[] = {
            {QByteArray("\x01\x02\x03", 3), U32}, {QByteArray(7, '\0'), U64},
            {le32(3) + QByteArray("a\0b\0", 4), Text}, // longer than the bytes
            {le32(MaxText + 1), Text}, {le32(0xFFFFFFFF), Text}, // over the maximum, 4G units
            {le32(1000000) + le32(0), Texts}, {le32(2) + le32(0) + le32(5), Texts}, // count beyond the bytes, cut
            {le32(10) + QByteArray(9, 'x'), Bytes}, {le32(MaxFrame + 1), Bytes}, // beyond present, over the frame
            {le32(0xFFFFFFFF) + QByteArray(64, '\0'), Values}, // count of 4G
            {le32(1) + le32(0) + le32(REG_SZ), Values}, // without its data
            {le32(1) + le32(16384) + QByteArray(40000, 'a'), Values}}; // name over 16383
        for (const auto& [payload, read] : cases) {
            MessageReader r(payload);
            if (read == U32)
                (void)r.u32();
            else if (read == U64)
                (void)r.u64();
            else if (read == Text)
                (void)r.text();
            else if (read == Texts)
                QVERIFY(r.texts(1000, 255).isEmpty());
            else if (read == Bytes)
                QVERIFY(r.bytes().isEmpty());
            else
                QVERIFY(r.values().isEmpty());
            QVERIFY2(!r.ok(), payload.left(16).toHex().constData());
            QCOMPARE(r.u32(), 0u); // stays failed
        }
    }
    void serverRefusesMalformed()
    {
        const auto open = [](const QStringList& path) {
            return req(Op::OpenKey).i64(1).texts(path).u32(KEY_READ).payload();
        };
        const QByteArray valid = open({u"Software"_s});
        const QByteArray requests[] = {
            {}, QByteArray(1, '\0'), QByteArray(1, char(LastOp + 1)), QByteArray(1, char(255)), // no opcode, none known
            valid.left(valid.size() - 2), valid + "x", // an open cut short, one with trailing bytes
            open({u"Soft\\ware"_s}), open({QString()}), open({QString(256, u'k')}), // names no key can have
            open(QStringList(MAX_KEY_DEPTH + 1, u"k"_s)), // deeper than keys go
            req(Op::Hello).u32(0x12345678).u32(Version).payload(), // a wrong magic
            req(Op::SetValue).i64(1).text(QString(16384, u'v')).u32(REG_SZ).bytes("x").payload(),
            req(Op::ValuesOfKeys).u32(60000).i64(1).u32(100).payload()}; // many ids, few bytes
        for (const QByteArray& request : requests) {
            RemoteServer server(HandleTable::localBackend());
            const KeyId before = openedId(server, {u"Software"_s});
            QVERIFY2(ask(server, request).rc == -1, request.left(16).toHex().constData());
            // nothing changed, and the server goes on answering
            QCOMPARE(openedId(server, {u"Software"_s}), before);
            QCOMPARE(openedId(server, {u"Software"_s, u"Neu"_s}), 0);
        }
    }
    // Codes of the store reach the client as the store answered them.
    void serverPassesCodesThrough()
    {
        RemoteServer server(HandleTable::localBackend());
        QCOMPARE(openedId(server, {u"Software"_s, u"Fehlt"_s}), 0);
        const KeyId parent = openedId(server, {u"Software"_s, u"A"_s}, Op::CreateKey);
        QVERIFY(parent != 0);
        QVERIFY(openedId(server, {u"Software"_s, u"A"_s, u"B"_s}, Op::CreateKey) != 0);
        const std::pair<QByteArray, LONG> cases[] = {
            {req(Op::DeleteKey).i64(parent).payload(), ERROR_ACCESS_DENIED},
            {req(Op::QueryValue).i64(parent).text(u"fehlt"_s).payload(), ERROR_FILE_NOT_FOUND},
            {req(Op::KeyInfo).i64(123456789).payload(), ERROR_INVALID_HANDLE},
            {req(Op::SetValue).i64(parent).text(u"w"_s).u32(REG_BINARY).bytes("\0\1"_ba).payload(), ERROR_SUCCESS},
            {req(Op::EndBatch).payload(), ERROR_INVALID_PARAMETER},
            {req(Op::Hello).u32(Magic).u32(Version + 1).payload(), ERROR_INVALID_PARAMETER}};
        for (const auto& [request, rc] : cases)
            QCOMPARE(ask(server, request).rc, rc);
    }
    // Random requests, and valid ones with bytes changed or cut: every answer is an answer or a refusal,
    // nothing crashes (the sanitizers watch), and the server still answers afterwards.
    void randomRequestsOnlyRefused()
    {
        RemoteServer server(HandleTable::localBackend());
        const KeyId key = openedId(server, {u"Software"_s, u"Fuzz"_s}, Op::CreateKey);
        QVERIFY(key != 0);
        const QVector<QByteArray> valid{
            req(Op::OpenKey).i64(key).texts({u"a"_s, u"b"_s}).u32(KEY_READ).payload(),
            req(Op::SetValue).i64(key).text(u"v"_s).u32(REG_SZ).bytes("abc").payload(),
            req(Op::BranchKeys).i64(key).u8(0).u32(10).text(QString()).payload(),
            req(Op::ValuesOfKeys).u32(2).i64(key).i64(key).u32(1000).payload(),
            req(Op::SubKeys).i64(key).payload(),
        };
        QRandomGenerator random(4711);
        for (int i = 0; i < 20000; ++i) {
            QByteArray request;
            if (i % 2) {
                request = valid.at(random.bounded(int(valid.size())));
                if (random.bounded(2))
                    request.truncate(random.bounded(int(request.size())));
                else
                    request[random.bounded(int(request.size()))] = char(random.bounded(256));
            } else {
                request.resize(random.bounded(48));
                for (char& c : request)
                    c = char(random.bounded(256));
                if (!request.isEmpty())
                    request[0] = char(random.bounded(LastOp + 3));
            }
            const QByteArray answer = server.answer(request);
            QVERIFY(!answer.isEmpty() && quint8(answer[0]) <= quint8(Status::Refused));
        }
        QCOMPARE(ask(server, req(Op::Hello).u32(Magic).u32(Version).payload()).rc, ERROR_SUCCESS);
    }
    // Each input with kaven-regserve's exit code and the number of answers: hello then closed, garbage frames
    // then closed, a frame cut by the close, an oversized frame.
    void programEndsCleanlyOnBrokenStream()
    {
        const QByteArray hello = frame(req(Op::Hello).u32(Magic).u32(Version).payload());
        const std::tuple<QByteArray, int, int> cases[] = {
            {hello, 0, 1}, {frame("\x07\x01") + frame(QByteArray(5000, '\xEE')), 0, 2},
            {hello + le32(100) + "abc", 0, 1}, {hello + le32(MaxFrame + 1) + hello, 1, 2}};
        for (const auto& [input, exitCode, answers] : cases) {
            QProcess server;
            server.start(QStringLiteral(KAVEN_REGSERVE_PATH),
                         {u"--stdio"_s, u"--registry"_s, m_store->otherStorePath(u"s"_s)});
            QVERIFY(server.waitForStarted());
            server.write(input);
            server.closeWriteChannel();
            QVERIFY(server.waitForFinished(60000));
            QCOMPARE(server.exitStatus(), QProcess::NormalExit);
            QCOMPARE(server.exitCode(), exitCode);
            QByteArray out = server.readAllStandardOutput();
            int framesOut = 0;
            for (QByteArray payload; takeFrame(&out, &payload) == FrameState::Complete;)
                ++framesOut;
            QCOMPARE(framesOut, answers);
            QVERIFY(out.isEmpty());
        }
    }

private:
    // The id of a key below HKEY_CURRENT_USER, as the server hands it out.
    KeyId openedId(RemoteServer& server, const QStringList& path, Op op = Op::OpenKey)
    {
        const KeyId base = ask(server, req(Op::PredefinedKey).u32(quint32(HKEY_CURRENT_USER)).payload()).id;
        const Answer a = ask(server, req(op).i64(base).texts(path).u32(KEY_ALL_ACCESS).payload());
        return a.rc == ERROR_SUCCESS ? a.id : 0;
    }

    std::optional<TempStore> m_store;
};

QTEST_GUILESS_MAIN(TestRemoteProtocol)
#include "TestRemoteProtocol.moc"
