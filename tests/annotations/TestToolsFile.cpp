#include "annotations/ToolsFile.h"

#include <QtTest>

Q_DECLARE_METATYPE(ExternalTool)

class TestToolsFile final : public QObject {
    Q_OBJECT

private slots:
    void linesRoundTrip_data()
    {
        QTest::addColumn<ExternalTool>("tool");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("editor") << ExternalTool{"Editor", "C:/Windows/notepad.exe", "/p"}
                                << QByteArray("06EditorC:\\Windows\\notepad.exe//p");
        QTest::newRow("program of this system") << ExternalTool{"Rechner", "/usr/bin/calc", "-x /tmp/a b"}
                                                << QByteArray("07Rechner\\usr\\bin\\calc/-x /tmp/a b");
        QTest::newRow("no parameters") << ExternalTool{"Leer", "prog", ""} << QByteArray("04Leerprog/");
        QTest::newRow("slash in name") << ExternalTool{"a/b", "prog", "x/y"} << QByteArray("03a/bprog/x/y");
        QTest::newRow("umlaut") << ExternalTool{"Größe", "p", "ä"} << QByteArray("05Gr\xF6\xDF" "ep/\xE4");
        QTest::newRow("name of 255") << ExternalTool{QString(255, u'n'), "p", ""} << "FF" + QByteArray(255, 'n') + "p/";
        QTest::newRow("longer name cut")
            << ExternalTool{QString(300, u'n'), "p", ""} << "FF" + QByteArray(255, 'n') + "p/";
    }

    void linesRoundTrip()
    {
        QFETCH(ExternalTool, tool);
        QFETCH(QByteArray, line);
        QCOMPARE(ToolsFile::encodeLine(tool), line);
        ExternalTool read;
        QVERIFY(ToolsFile::decodeLine(line, read));
        tool.name = tool.name.left(255);
        QCOMPARE(read, tool);
    }

    // Lines without the slash, with a prefix that is no hex length or a name beyond the line are skipped.
    void skipsBadLines()
    {
        const std::pair<QByteArray, int> cases[] = {
            {"01ap/\r\n02bbq/x\r\n", 2}, {"01apath\r\n", 0}, {"0Gap/\r\n+1ap/\r\n 1ap/\r\n", 0},
            {"FFap/\r\n", 0}, {"\r\n\r\n0", 0}, {"01ap/\n01bq/", 2}};
        for (auto [bytes, tools] : cases) {
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::ReadOnly);
            QCOMPARE(int(ToolsFile::read(buffer).size()), tools);
        }
    }

    void splitsParametersAsAShell_data()
    {
        QTest::addColumn<QString>("parameters");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("empty") << "" << QStringList();
        QTest::newRow("blanks") << "  -a\t b  " << QStringList{"-a", "b"};
        QTest::newRow("double quotes") << "\"mit Leer zeichen\" x" << QStringList{"mit Leer zeichen", "x"};
        QTest::newRow("single quotes literal") << "'a\\b \"c\"'" << QStringList{"a\\b \"c\""};
        QTest::newRow("escapes in double quotes") << "\"\\\"\\\\\\$\\a\"" << QStringList{"\"\\$\\a"};
        QTest::newRow("backslash outside quotes") << "a\\ b \\'c" << QStringList{"a b", "'c"};
        QTest::newRow("quotes join a word") << "pre\"fix \"'post'" << QStringList{"prefix post"};
        QTest::newRow("empty quoted word") << "\"\" ''" << QStringList{"", ""};
        QTest::newRow("nothing expanded") << "$HOME `id` ; | *" << QStringList{"$HOME", "`id`", ";", "|", "*"};
        QTest::newRow("unclosed quote runs to the end") << "\"a b" << QStringList{"a b"};
        QTest::newRow("trailing backslash") << "a\\" << QStringList{"a\\"};
    }

    void splitsParametersAsAShell()
    {
        QFETCH(QString, parameters);
        QTEST(ToolsFile::splitParameters(parameters), "arguments");
    }

    void runsProgramWithoutShell()
    {
        const QString touch = QStandardPaths::findExecutable(QStringLiteral("touch"));
        if (touch.isEmpty())
            QSKIP("no touch program");
        QTemporaryDir dir;
        const QString parameters = QStringLiteral("'%1/mit Leerzeichen' %1/\\$HOME\\;x").arg(dir.path());
        QVERIFY(ToolsFile::run({"Anlegen", touch, parameters}));
        QTRY_VERIFY(QFileInfo::exists(dir.filePath(QStringLiteral("$HOME;x"))));
        QTRY_VERIFY(QFileInfo::exists(dir.filePath(QStringLiteral("mit Leerzeichen"))));
        QVERIFY(!ToolsFile::run({"Fehlt", dir.filePath(QStringLiteral("gibt es nicht")), ""}));
    }
};

QTEST_GUILESS_MAIN(TestToolsFile)
#include "TestToolsFile.moc"
