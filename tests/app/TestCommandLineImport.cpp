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

    void importsAsAsked_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("second");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<int>("abortAtStep");
        QTest::addColumn<int>("rc");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<bool>("progressShown");
        QTest::addColumn<bool>("imported");
        const QString ask = u"Soll Registrierungsdatei %1 importiert werden?"_s;
        const QString failure = u"Fehler: Registrierungsdatei konnte nicht vollständig importiert werden.\r\n"
                                "(Ungültige Zeichen im DWord-Datenbereich)"_s;
        // The file is the argument with its extension replaced by ".reg"; without such a file the
        // program starts normally (no exit status).
        const QStringList none, good{ask.arg(u"gut.reg"_s)}, bad{ask.arg(u"schlecht.reg"_s), failure};
        QTest::newRow("silent, no extension") << "gut" << "/s" << false << 0 << 0 << none << false << true;
        QTest::newRow("silent, other extension") << "gut.txt" << "/s" << false << 0 << 0 << none << false << true;
        QTest::newRow("no such file") << "fehlt.reg" << "/s" << false << 0 << -1 << none << false << false;
        QTest::newRow("silent failure") << "schlecht.reg" << "/S" << false << 0 << 1 << QStringList{failure} << false
                                        << false;
        const QString done = u"Registrierungsdatei wurde erfolgreich importiert."_s;
        QTest::newRow("asked, yes") << "gut.reg" << "" << true << 0 << 0 << good + QStringList{done} << true << true;
        QTest::newRow("asked, failure") << "schlecht.reg" << "/x" << true << 0 << 1 << bad << true << false;
        QTest::newRow("asked, no") << "gut.reg" << "" << false << 0 << 1 << good << false << false;
        QTest::newRow("cancelled quietly") << "gut.reg" << "" << true << 2 << 1 << good << true << false;
    }

    void importsAsAsked()
    {
        QFETCH(QString, file);
        QFETCH(QString, second);
        QFETCH(bool, yes);
        QFETCH(int, abortAtStep);
        RecordingMessageSink sink;
        sink.pushAnswer(yes ? MessageAnswer::Yes : MessageAnswer::No);
        bool progressShown = false;
        const auto rc = CommandLineImport::run({path(file), second}, [&] {
            progressShown = true;
            return std::make_unique<ScriptedProgress>(abortAtStep);
        });
        QTEST(rc.value_or(-1), "rc");
        QTEST(sink.texts(), "messages");
        QTEST(progressShown, "progressShown");
        QTEST(RegTestKeys::value(u"Start"_s, u"a"_s).second == RegTestKeys::sz("1"), "imported");
    }

private:
    [[nodiscard]] QString path(const QString& name) const { return m_store->dirPath() + u'/' + name; }

    std::optional<TempStore> m_store;
};

QTEST_GUILESS_MAIN(TestCommandLineImport)
#include "TestCommandLineImport.moc"
