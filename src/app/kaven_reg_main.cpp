#include "platform/StoreLocation.h"
#include "platform/WinReg.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QString error;
    const QString store = StoreLocation::resolve(QCoreApplication::arguments(), &error);
    if (store.isEmpty() || RegOpenLocalStore(store, &error) != ERROR_SUCCESS) {
        std::fprintf(stderr, "Fehler: %s\n", error.toUtf8().constData());
        return 1;
    }
    std::fprintf(stderr, "Fehler: Kein Befehl angegeben.\n");
    RegShutdown();
    return 1;
}
