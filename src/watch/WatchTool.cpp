#include "watch/WatchTool.h"

#include "app/KavenRegTool.h"
#include "app/ToolIo.h"
#include "platform/WinEvents.h"
#include "platform/WinReg.h"
#include "registry/RegistryAccessor.h"

#include <QDateTime>
#include <QElapsedTimer>

#include <csignal>

namespace {

volatile std::sig_atomic_t interrupted = 0;

void onInterrupt(int)
{
    interrupted = 1;
}

// While it lives, Ctrl+C and a termination request end the watch loop instead of the process, so the
// key and the event are closed and the exit status is 0.
class InterruptGuard final {
public:
    InterruptGuard()
    {
        interrupted = 0;
        struct sigaction action {};
        action.sa_handler = onInterrupt;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &m_oldInt);
        sigaction(SIGTERM, &action, &m_oldTerm);
    }
    ~InterruptGuard()
    {
        sigaction(SIGINT, &m_oldInt, nullptr);
        sigaction(SIGTERM, &m_oldTerm, nullptr);
    }
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

private:
    struct sigaction m_oldInt {};
    struct sigaction m_oldTerm {};
};

struct WatchArgs {
    QString key;
    bool subtree = false;
    qint64 seconds = -1; // until interrupted
};

// An error text, or empty when the arguments are good.
QString parseArgs(const QStringList& args, WatchArgs* out)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (arg.compare(QLatin1String("/s"), Qt::CaseInsensitive) == 0) {
            out->subtree = true;
        } else if (arg.compare(QLatin1String("/t"), Qt::CaseInsensitive) == 0) {
            bool ok = false;
            out->seconds = i + 1 < args.size() ? args.at(i + 1).toLongLong(&ok) : 0;
            if (!ok || out->seconds < 0)
                return QStringLiteral("/t erwartet eine Anzahl Sekunden.");
            ++i;
        } else if (arg.startsWith(QLatin1Char('/')) || !out->key.isEmpty()) {
            return QStringLiteral("Ungültiger Parameter: ") + arg;
        } else {
            out->key = arg;
        }
    }
    return out->key.isEmpty() ? QStringLiteral("Falsche Anzahl von Argumenten.") : QString();
}

} // namespace

int WatchToolCommand(ToolIo& io, const QStringList& args)
{
    WatchArgs w;
    if (const QString error = parseArgs(args, &w); !error.isEmpty())
        return io.fail(error + QStringLiteral("\nAufruf: kaven-reg watch SCHLÜSSEL [/s] [/t SEKUNDEN]"));
    const QString path = KavenRegTool::normalizeKeyPath(w.key);
    if (path.isEmpty())
        return io.fail(QStringLiteral("Ungültiger Schlüsselname."));
    RegistryAccessor reg(KEY_READ);
    if (reg.openPath(path, false, true) != RegResult::Success)
        return io.fail(QStringLiteral("Der angegebene Registrierungsschlüssel bzw. Wert wurde nicht gefunden."));

    const HANDLE event = CreateEvent(false, false);
    const auto request = [&] {
        return RegNotifyChangeKeyValue(reg.currentKey(), w.subtree, REG_NOTIFY_ALL, event, true);
    };
    if (const LONG rc = request(); rc != ERROR_SUCCESS) {
        CloseHandle(event);
        return io.fail(QStringLiteral("Die Überwachung wurde abgelehnt (Code %1).").arg(rc));
    }
    io.note(QStringLiteral("Überwache ") + path + QStringLiteral(" ..."));
    InterruptGuard guard;
    QElapsedTimer elapsed;
    elapsed.start();
    const qint64 limit = w.seconds * 1000;
    while (!interrupted && (limit < 0 || elapsed.elapsed() < limit)) {
        const qint64 left = limit < 0 ? 200 : qMin<qint64>(200, limit - elapsed.elapsed());
        if (WaitForSingleObject(event, DWORD(qMax<qint64>(left, 0))) != WAIT_OBJECT_0)
            continue;
        // Renewed first: the registry signals once per request.
        (void)request();
        io.print(QDateTime::currentDateTime().toString(QStringLiteral("dd.MM.yyyy hh:mm:ss")) + QLatin1Char('\t')
                 + path + QLatin1Char('\n'));
    }
    CloseHandle(event);
    return 0;
}
