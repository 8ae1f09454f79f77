#include "app/CommandLineImport.h"
#include "app/DialogProgress.h"
#include "settings/KavenVariables405.h"
#include "settings/OptionsStore.h"
#include "app/QtMessageSink.h"
#include "app/TSplashForm.h"
#include "mainwindow/TMainForm.h"
#include "platform/StoreLocation.h"
#include "platform/WinReg.h"
#include "widgets/KavenIcons.h"

#include <QApplication>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPointer>
#include <QTranslator>

#include <memory>

namespace {

// Qt's own dialogs and standard buttons ("Ja", "Nein", "Abbrechen") speak German like the program.
void loadGermanTranslations(QApplication& app)
{
    auto* translator = new QTranslator(&app);
    if (translator->load(QStringLiteral("qtbase_de"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(translator);
}

} // namespace

int main(int argc, char* argv[])
{
    // A registry file named on the command line is imported without any window; without a display the
    // messages go to standard error.
    if (const auto rc = CommandLineImport::runWithoutDisplay(argc, argv))
        return *rc;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kaven"));
    QApplication::setWindowIcon(KavenIcons::applicationIcon());
    loadGermanTranslations(app);
    QtMessageSink sink;
    setMessageSink(&sink);

    QString error;
    const QString store = StoreLocation::resolve(QCoreApplication::arguments(), &error);
    if (store.isEmpty() || RegOpenLocalStore(store, &error) != ERROR_SUCCESS) {
        QMessageBox::critical(nullptr, KavenVariables405::ProgramTitle, error);
        return 1;
    }
    if (const auto rc = CommandLineImport::run(
            StoreLocation::withoutRegistryOption(QCoreApplication::arguments()).mid(1), [] {
                return std::make_unique<DialogProgress>(nullptr, QStringLiteral("Datenimport läuft ..."),
                                                        QStringLiteral("Registrierung wird aktualisiert."),
                                                        QStringLiteral("CREATE"));
            })) {
        setMessageSink(nullptr);
        RegShutdown();
        return *rc;
    }

    // Normal start: the splash shows while the event loop serves it, then the main window is built.
    if (QFontDatabase::families().contains(QStringLiteral("Tahoma"))) {
        KavenVariables405::FontName = QStringLiteral("Tahoma");
        // Every window of the program, dialogs and boxes included, uses the program's font.
        QApplication::setFont(QFont(KavenVariables405::FontName));
    }
    KavenVariables405::ProgramDir = OptionsStore::resolveProgramDirectory();
    KavenVariables405::UserDataDir = OptionsStore::userDataDirectory();
    KavenVariables405::SharedDataDir = OptionsStore::sharedDataDirectory();
    QPointer<TSplashForm> splash = new TSplashForm;
    splash->setAttribute(Qt::WA_QuitOnClose, false);
    splash->show();
    TSplashForm::waitServed(1000);

    int rc = 0;
    {
        TMainForm mainForm;
        splash->setMainWindow(&mainForm);
        mainForm.show();
        rc = app.exec();
    }
    delete splash; // still there when the user never clicked it away
    setMessageSink(nullptr);
    RegShutdown();
    return rc;
}
