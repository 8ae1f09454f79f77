#include "app/CommandLineImport.h"
#include "app/DialogProgress.h"
#include "platform/StoreLocation.h"
#include "platform/WinReg.h"

#include <QApplication>
#include <QMainWindow>
#include <QMessageBox>

int main(int argc, char* argv[])
{
    // A registry file named on the command line is imported without any window; without a display the
    // messages go to standard error.
    if (const auto rc = CommandLineImport::runWithoutDisplay(argc, argv))
        return *rc;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kaven"));
    QApplication::setApplicationDisplayName(QStringLiteral("Kaven 1.0"));

    QString error;
    const QString store = StoreLocation::resolve(QCoreApplication::arguments(), &error);
    if (store.isEmpty() || RegOpenLocalStore(store, &error) != ERROR_SUCCESS) {
        QMessageBox::critical(nullptr, QStringLiteral("Kaven 1.0"), error);
        return 1;
    }
    if (const auto rc = CommandLineImport::run(
            StoreLocation::withoutRegistryOption(QCoreApplication::arguments()).mid(1), [] {
                return std::make_unique<DialogProgress>(nullptr, QStringLiteral("Datenimport läuft ..."),
                                                        QStringLiteral("Registrierung wird aktualisiert."),
                                                        QStringLiteral("CREATE"));
            })) {
        RegShutdown();
        return *rc;
    }

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Kaven 1.0"));
    window.resize(900, 600);
    window.show();
    const int rc = app.exec();
    RegShutdown();
    return rc;
}
