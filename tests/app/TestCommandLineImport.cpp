// The start-up import of a registry file named on the command line.

#include "app/CommandLineImport.h"
#include "registry/RegTestKeys.h"
#include "support/RecordingMessageSink.h"
#include "support/ScriptedProgress.h"
#include "support/TempStore.h"
#include "support/TestFiles.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestCommandLineImport final : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_store.emplace().ok());
        QVERIFY(writeFile(path(u"gut.reg"_s), "REGEDIT4\r\n[HKEY_CURRENT_USER\\Start]\r\n\"a\"=\"1\"\r\n"));
        QVERIFY(writeFile(path(u"schlecht.reg"_s), "REGEDIT4\r\n[HKEY_CURRENT_USER\\Start]\r\n\"b\"=dword:xyz\r\n"));
    }

    // The file is the argument with its extension replaced by ".reg"; without such a file the program starts
    // normally (no exit status, -1 here). Silent (/s in any case), asked and answered, and cancelled quietly.
    void importsAsAsked()
    {
        const QString ask = u"Soll Registrierungsdatei %1 importiert werden?"_s;
        const QString failure = u"Fehler: Registrierungsdatei konnte nicht vollständig importiert werden.\r\n"
                                "(Ungültige Zeichen im DWord-Datenbereich)"_s;
        const QString done = u"Registrierungsdatei wurde erfolgreich importiert."_s;
        const QStringList none, good{ask.arg(u"gut.reg"_s)}, bad{ask.arg(u"schlecht.reg"_s), failure};
        const struct {
            QString file, second;
            bool yes;
            int abortAtStep, rc;
            QStringList messages;
            bool progressShown, imported;
        } cases[] = {{"gut", "/s", false, 0, 0, none, false, true},
                     {"gut.txt", "/s", false, 0, 0, none, false, true},
                     {"fehlt.reg", "/s", false, 0, -1, none, false, false},
                     {"schlecht.reg", "/S", false, 0, 1, {failure}, false, false},
                     {"gut.reg", "", true, 0, 0, good + QStringList{done}, true, true},
                     {"schlecht.reg", "/x", true, 0, 1, bad, true, false},
                     {"gut.reg", "", false, 0, 1, good, false, false},
                     {"gut.reg", "", true, 2, 1, good, true, false}};
        for (const auto& c : cases) {
            init();
            RecordingMessageSink sink;
            sink.pushAnswer(c.yes ? MessageAnswer::Yes : MessageAnswer::No);
            bool progressShown = false;
            const auto rc = CommandLineImport::run({path(c.file), c.second}, [&] {
                progressShown = true;
                return std::make_unique<ScriptedProgress>(c.abortAtStep);
            });
            QVERIFY2(rc.value_or(-1) == c.rc, qPrintable(c.file + u' ' + c.second));
            QCOMPARE(sink.texts(), c.messages);
            QCOMPARE(progressShown, c.progressShown);
            QCOMPARE(RegTestKeys::value(u"Start"_s, u"a"_s).second == RegTestKeys::sz("1"), c.imported);
        }
    }

private:
    [[nodiscard]] QString path(const QString& name) const { return m_store->dirPath() + u'/' + name; }

    std::optional<TempStore> m_store;
};

QTEST_GUILESS_MAIN(TestCommandLineImport)
#include "TestCommandLineImport.moc"
