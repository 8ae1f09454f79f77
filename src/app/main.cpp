#include "platform/StoreLocation.h"
#include "platform/WinReg.h"

#include <QApplication>
#include <QMainWindow>
#include <QMessageBox>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kaven"));
    QApplication::setApplicationDisplayName(QStringLiteral("Kaven 1.0"));

    QString error;
    const QString store = StoreLocation::resolve(QCoreApplication::arguments(), &error);
    if (store.isEmpty() || RegOpenLocalStore(store, &error) != ERROR_SUCCESS) {
        QMessageBox::critical(nullptr, QStringLiteral("Kaven 1.0"), error);
        return 1;
    }

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Kaven 1.0"));
    window.resize(900, 600);
    window.show();
    const int rc = app.exec();
    RegShutdown();
    return rc;
}
