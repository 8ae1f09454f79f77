// kaven-regserve --stdio [--registry PATH | --hive FILE ... | --windows DIR ... | --wine PREFIX]: serves the registry
// the options name (by default the user's store) to one client over standard input and output, as
// another machine's registry reached over ssh. Messages go to standard error.

#include "app/KavenRegTool.h"
#include "platform/HandleTable.h"
#include "platform/WinReg.h"
#include "platform/remote/RemoteServer.h"

#include <QCoreApplication>
#include <QFile>

#include <csignal>
#include <unistd.h>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    // a client gone away is seen as a failed write, not as a signal
    std::signal(SIGPIPE, SIG_IGN);
    QFile err;
    if (!err.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered))
        return 1;
    const auto fail = [&err](const QString& text) {
        err.write(QStringLiteral("kaven-regserve: %1\n").arg(text).toUtf8());
        return 1;
    };
    QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.removeAll(QStringLiteral("--stdio")) != 1)
        return fail(QStringLiteral("Aufruf: kaven-regserve --stdio [--registry PFAD | --hive DATEI[:NAME] ... | "
                                   "--windows ORDNER [--user NAME] | --wine PRÄFIX] [--write]"));
    QStringList rest;
    if (KavenRegTool::openStore(arguments, err, &rest) != 0)
        return 1;
    if (!rest.isEmpty()) {
        RegShutdown();
        return fail(QStringLiteral("Unbekanntes Argument: ") + rest.first());
    }
    std::shared_ptr<RegistryBackend> backend = HandleTable::localBackend();
    if (!backend)
        return fail(QStringLiteral("Keine Registrierung geöffnet."));
    QString error;
    int rc = 0;
    {
        RemoteServer server(std::move(backend));
        rc = server.serve(STDIN_FILENO, STDOUT_FILENO, &error);
    }
    RegShutdown();
    return rc == 0 ? 0 : fail(error);
}
