// The start-up import of a registry file named on the command line.

#include "app/CommandLineImport.h"
#include "platform/WinReg.h"
#include "support/RecordingMessageSink.h"
#include "support/ScriptedProgress.h"
#include "support/TempStore.h"

#include <QFile>
#include <QProcess>
#include <QTest>

namespace {

bool valueExists(const QString& path, const QString& name)
{
    HKEY key = 0;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD type = 0;
    QByteArray data;
    const bool found = RegQueryValueBytes(key, name, &type, &data) == ERROR_SUCCESS;
    RegCloseKey(key);
    return found;
}

} // namespace

class TestCommandLineImport final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void findsTheRegistryFile_data();
    void findsTheRegistryFile();
    void importsSilently();
    void reportsSilentFailure();
    void asksFirst();
    void declinedImportsNothing();
    void cancelledImportIsQuiet();

private:
    void write(const QString& name, const QByteArray& text);
    [[nodiscard]] QString path(const QString& name) const { return m_store->dirPath() + u'/' + name; }

    std::unique_ptr<TempStore> m_store;
};

void TestCommandLineImport::init()
{
    m_store = std::make_unique<TempStore>();
    QVERIFY(m_store->ok());
    write(QStringLiteral("gut.reg"), "REGEDIT4\r\n[HKEY_CURRENT_USER\\Start]\r\n\"a\"=\"1\"\r\n");
    write(QStringLiteral("schlecht.reg"), "REGEDIT4\r\n[HKEY_CURRENT_USER\\Start]\r\n\"b\"=dword:xyz\r\n");
}

void TestCommandLineImport::write(const QString& name, const QByteArray& text)
{
    QFile file(path(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

void TestCommandLineImport::findsTheRegistryFile_data()
{
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("found");
    QTest::newRow("as named") << "gut.reg" << "gut.reg";
    QTest::newRow("other extension") << "gut.txt" << "gut.reg";
    QTest::newRow("no extension") << "gut" << "gut.reg";
    QTest::newRow("missing") << "fehlt.reg" << "";
    QTest::newRow("option") << "--irgendwas" << "";
}

void TestCommandLineImport::findsTheRegistryFile()
{
    QFETCH(QString, argument);
    QFETCH(QString, found);
    QCOMPARE(CommandLineImport::registryFileName(path(argument)), found.isEmpty() ? QString() : path(found));
    QCOMPARE(CommandLineImport::run({path(argument)}, nullptr).has_value(), !found.isEmpty());
}

void TestCommandLineImport::importsSilently()
{
    RecordingMessageSink sink;
    bool progressMade = false;
    const auto rc = CommandLineImport::run({path("gut"), "/s"}, [&progressMade] {
        progressMade = true;
        return std::make_unique<ScriptedProgress>();
    });
    QCOMPARE(rc, std::optional<int>(0));
    QCOMPARE(sink.count(), 0);
    QVERIFY(!progressMade);
    QVERIFY(valueExists("Start", "a"));
}

void TestCommandLineImport::reportsSilentFailure()
{
    RecordingMessageSink sink;
    QCOMPARE(CommandLineImport::run({path("schlecht.reg"), "/S"}, nullptr), std::optional<int>(1));
    QCOMPARE(sink.texts(), QStringList{"Fehler: Registrierungsdatei konnte nicht vollständig importiert werden.\r\n"
                                       "(Ungültige Zeichen im DWord-Datenbereich)"});
}

void TestCommandLineImport::asksFirst()
{
    RecordingMessageSink sink;
    sink.pushAnswer(MessageAnswer::Yes);
    int made = 0;
    const auto rc = CommandLineImport::run({path("gut.reg")}, [&made] {
        ++made;
        return std::make_unique<ScriptedProgress>();
    });
    QCOMPARE(rc, std::optional<int>(0));
    QCOMPARE(made, 1);
    QCOMPARE(sink.texts(), (QStringList{"Soll Registrierungsdatei gut.reg importiert werden?",
                                        "Registrierungsdatei wurde erfolgreich importiert."}));
    QCOMPARE(sink.messages().first().kind, MessageKind::YesNo);
    QCOMPARE(sink.messages().last().kind, MessageKind::Info);
    QVERIFY(valueExists("Start", "a"));

    sink.clear();
    sink.pushAnswer(MessageAnswer::Yes);
    QCOMPARE(CommandLineImport::run({path("schlecht.reg"), "/x"}, nullptr), std::optional<int>(1));
    QCOMPARE(sink.last().text, QStringLiteral("Fehler: Registrierungsdatei konnte nicht vollständig importiert "
                                              "werden.\r\n(Ungültige Zeichen im DWord-Datenbereich)"));
}

void TestCommandLineImport::declinedImportsNothing()
{
    RecordingMessageSink sink;
    sink.pushAnswer(MessageAnswer::No);
    QCOMPARE(CommandLineImport::run({path("gut.reg")}, nullptr), std::optional<int>(1));
    QCOMPARE(sink.count(), 1);
    QVERIFY(!valueExists("Start", "a"));
}

void TestCommandLineImport::cancelledImportIsQuiet()
{
    RecordingMessageSink sink;
    sink.pushAnswer(MessageAnswer::Yes);
    QCOMPARE(CommandLineImport::run({path("gut.reg")}, [] { return std::make_unique<ScriptedProgress>(2); }),
             std::optional<int>(1));
    QCOMPARE(sink.count(), 1); // the question only
    QVERIFY(!valueExists("Start", "a"));
}

QTEST_GUILESS_MAIN(TestCommandLineImport)
#include "TestCommandLineImport.moc"
