#include "app/KavenRegTool.h"
#include "platform/StoreLocation.h"
#include "platform/WinReg.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <unistd.h>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QString error;
    const QStringList arguments = QCoreApplication::arguments();
    const QString store = StoreLocation::resolve(arguments, &error);
    if (store.isEmpty() || RegOpenLocalStore(store, &error) != ERROR_SUCCESS) {
        std::fprintf(stderr, "Fehler: %s\n", error.toUtf8().constData());
        return 1;
    }
    QFile out;
    QFile err;
    QFile in;
    if (!out.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered)
        || !err.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered) || !in.open(stdin, QIODevice::ReadOnly)) {
        RegShutdown();
        return 1;
    }
    KavenRegTool tool(out, err, in, isatty(STDIN_FILENO) != 0);
    const int rc = tool.run(StoreLocation::withoutRegistryOption(arguments).mid(1));
    RegShutdown();
    return rc;
}
