#include "registry/RegTestKeys.h"

#include "info/InfoPage.h"
#include "info/TInfoClass.h"
#include "mainwindow/TUndoList.h"
#include "support/LittleEndian.h"
#include "support/TestFiles.h"

#include <QtTest>

using namespace Qt::StringLiterals;
using namespace RegTestKeys;

Q_DECLARE_METATYPE(MessageAnswer)

namespace {

// An information file laid out by hand: the test's own writer of the format, so that the reader is
// checked against the layout and not against lorewright.
struct Entry {
    QByteArray path;
    QByteArray text;
    qint32 category = 0;
    qint32 bodySize = -1; // -1: the true one
};

// Title "Ti" and rights "Re" XOR the key "Kaven-Info"; categories A, B, C.
QByteArray header()
{
    const QByteArray fields =
        counted("\x1f\x08") + le32(5) + le32(7) + counted("\x19\x04") + QByteArray("\1\2\3\4\5\6\7\x08");
    const QByteArray categories = le32(3) + counted("A") + counted("B") + counted("C");
    return le32(0x000AE001) + le32(fields.size()) + fields + le32(categories.size()) + categories;
}

// Entries must be given grouped by root in the index order (HKCR, HKCC, HKCU, HKDD, HKLM, HKU).
QByteArray infoFile(const QList<Entry>& entries)
{
    const QList<QByteArray> roots{"HKEY_CLASSES_ROOT", "HKEY_CURRENT_CONFIG", "HKEY_CURRENT_USER",
                                  "HKEY_DYN_DATA",     "HKEY_LOCAL_MACHINE",  "HKEY_USERS"};
    QByteArray head = header() + le32(entries.size());
    const qint64 start = head.size() + 48;
    QByteArray index, body;
    for (const QByteArray& root : roots) {
        const qint64 offset = start + body.size();
        int count = 0;
        for (const Entry& e : entries) {
            if (!e.path.toUpper().startsWith(root + '\\') && e.path.toUpper() != root)
                continue;
            ++count;
            body += le32(e.bodySize != -1 ? e.bodySize : e.path.size() + e.text.size()) + counted(e.path)
                    + counted(e.text) + le32(e.category);
        }
        index += le32(offset) + le32(count);
    }
    return head + index + body;
}

const QList<Entry> Sample{
    {"HKEY_CLASSES_ROOT\\X:\\", "Laufwerk", 1},
    {"HKEY_CURRENT_USER\\Control Panel\\Desktop", "Desktop<BR>\r\nzweite", 2},
    {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\", "Klassen", 0},
    {"HKEY_LOCAL_MACHINE\\SOFTWARE", "Software", 7},
    {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Zebra", "Z", -2},
    {"HKEY_USERS\\.DEFAULT", "Vorgabe", 1},
};

} // namespace

class TestInfoFile : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_fx.start());
        m_file = m_fx.store->dirPath() + QStringLiteral("/info.rgf");
        QVERIFY(writeFile(m_file, infoFile(Sample)));
    }
    void cleanup() { m_fx.stop(); }

    void lookUp_data()
    {
        QTest::addColumn<QString>("keyPath");
        QTest::addColumn<QString>("found"); // the stored path, empty for none
        const auto row = [](const char* tag, const char* keyPath, const char* found) {
            QTest::newRow(tag) << QString::fromLatin1(keyPath) << QString::fromLatin1(found);
        };
        row("exact", "HKEY_LOCAL_MACHINE\\SOFTWARE", "HKEY_LOCAL_MACHINE\\SOFTWARE");
        row("case and trailing backslash", "HKEY_LOCAL_MACHINE\\Software\\", "HKEY_LOCAL_MACHINE\\SOFTWARE");
        row("stored with backslash", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes",
            "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\");
        row("only one backslash goes", "HKEY_LOCAL_MACHINE\\SOFTWARE\\\\", "");
        row("last entry of a group", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Zebra", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Zebra");
        row("colon keeps its backslash", "HKEY_CLASSES_ROOT\\X:\\", "HKEY_CLASSES_ROOT\\X:\\");
        row("without the backslash", "HKEY_CLASSES_ROOT\\X:", "");
        row("same path under another root", "HKEY_CURRENT_USER\\SOFTWARE", "");
        row("absent in its group", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft", "");
        row("empty root group", "HKEY_CURRENT_CONFIG\\Software", "");
        row("machine node", "Arbeitsplatz", "");
        row("non-root first component", "Arbeitsplatz\\HKEY_LOCAL_MACHINE\\SOFTWARE", "");
    }

    void lookUp()
    {
        QFETCH(QString, keyPath);
        QFETCH(QString, found);
        const std::optional<InfoEntry> entry = TInfoClass::LookUp(m_file, keyPath);
        QCOMPARE(entry ? entry->keyPath : QString(), found);
        if (found == QLatin1String("HKEY_LOCAL_MACHINE\\SOFTWARE"))
            QCOMPARE(std::pair(entry->text, entry->category), std::pair(QStringLiteral("Software"), 7));
    }

    // The whole file: header fields unscrambled, categories in file order, entries sorted by path
    // without regard to case, categories beyond either end clamped; a missing file, the store and every
    // prefix of the file.
    void load()
    {
        TInfoClass info;
        QVERIFY(info.Load(m_file));
        QCOMPARE((QStringList{info.Title, info.RightsNotice, info.operatingSystemName()}),
                 (QStringList{"Ti", "Re", "WinXP"}));
        QCOMPARE(info.Version, 7);
        QCOMPARE(info.Reserved, QByteArray("\1\2\3\4\5\6\7\x08"));
        QCOMPARE(info.Categories, QStringList({"A", "B", "C"}));
        QStringList listed; // path and category index as the overview lists them
        for (const InfoEntry& e : info.Entries)
            listed << e.keyPath + QLatin1Char('=') + QString::number(info.categoryIndex(e));
        QCOMPARE(listed, QStringList({"HKEY_CLASSES_ROOT\\X:\\=1", "HKEY_CURRENT_USER\\Control Panel\\Desktop=2",
                                      "HKEY_LOCAL_MACHINE\\SOFTWARE=2", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\=0",
                                      "HKEY_LOCAL_MACHINE\\SOFTWARE\\Zebra=0", "HKEY_USERS\\.DEFAULT=1"}));
        // A missing file changes nothing; the registry store is never read as an information file.
        TInfoClass kept;
        kept.Categories = QStringList{"kept"};
        QVERIFY(QFile::remove(m_file) && !kept.Load(m_file));
        QCOMPARE(kept.Categories, QStringList{"kept"});
        QVERIFY(!TInfoClass::LookUp(m_file, QStringLiteral("HKEY_USERS\\.DEFAULT")));
        QVERIFY(kept.Load(m_fx.store->storePath()) && kept.Entries.isEmpty());
        // Every prefix of a good file reads without fault and keeps only whole entries.
        const QByteArray good = infoFile(Sample);
        for (qsizetype n = 0; n < good.size(); ++n) {
            QVERIFY(writeFile(m_file, good.left(n)));
            TInfoClass part;
            QVERIFY(part.Load(m_file));
            QVERIFY(part.Entries.size() < Sample.size());
            for (const Entry& e : Sample)
                (void)TInfoClass::LookUp(m_file, QString::fromLatin1(e.path));
        }
    }

    void damagedFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("entries"); // what Load keeps
        QTest::addColumn<bool>("desktopFound");
        const QByteArray good = infoFile(Sample);
        // A copy with the 32-bit field at "at" set to value.
        const auto patched = [](QByteArray b, qsizetype at, qint64 v) { return b.replace(at, 4, le32(v)); };
        QTest::newRow("empty") << QByteArray() << 0 << false;
        QTest::newRow("wrong identifier") << patched(good, 0, 0x000AE002) << 0 << false;
        QTest::newRow("title of 2 GiB") << le32(0x000AE001) + le32(26) + le32(0x7fffffff) + QByteArray(60, 'x') << 0
                                        << false;
        QTest::newRow("category count of 2 GiB")
            << patched(header(), header().indexOf(counted("A")) - 4, 0x7fffffff) << 0 << false;
        QTest::newRow("entry count of 2 GiB") << patched(good, header().size(), 0x7fffffff) << 6 << true;
        QTest::newRow("header size of 2 GiB") << patched(good, 4, 0x7fffffff) << 6 << false;
        QTest::newRow("root offset past the end") << patched(good, header().size() + 4 + 16, 0x7fffff00) << 6 << false;
        QTest::newRow("root count of 2 GiB") << patched(good, header().size() + 4 + 20, 0x7fffffff) << 6 << true;
        QList<Entry> hostile = Sample;
        hostile[1].bodySize = -12; // would seek back onto itself for ever
        hostile.insert(1, Entry{"HKEY_CURRENT_USER\\A", "a", 0, -12});
        QTest::newRow("body size stepping back") << infoFile(hostile) << 7 << false;
        hostile = Sample;
        hostile.insert(1, Entry{"HKEY_CURRENT_USER\\A", "a", 0, 0x7fffffff});
        QTest::newRow("body size of 2 GiB") << infoFile(hostile) << 7 << false;
        hostile = Sample;
        hostile[1].text = QByteArray();
        const QByteArray noText = infoFile(hostile);
        QTest::newRow("text of 2 GiB") << patched(noText, noText.indexOf("Desktop") + 7, 0x7fffffff) << 1 << false;
        QTest::newRow("truncated in an entry") << good.left(good.indexOf("Klassen") + 3) << 2 << true;
    }

    // Reading stops where the file stops making sense, keeping what came before; nothing is allocated
    // for a length that the rest of the file cannot hold.
    void damagedFiles()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(writeFile(m_file, bytes));
        TInfoClass info;
        QVERIFY(info.Load(m_file));
        QTEST(int(info.Entries.size()), "entries");
        QTEST(TInfoClass::LookUp(m_file, u"HKEY_CURRENT_USER\\Control Panel\\Desktop"_s).has_value(), "desktopFound");
    }

    // The page of an entry (CR LF removed), of a key without one, and of the machine node.
    void pageText()
    {
        const std::pair<const char*, QString> cases[] = {
            {"hkey_current_user\\control panel\\desktop\\",
             u"<B>HKEY_CURRENT_USER\\Control Panel\\Desktop</B><BR><BR>Desktop<BR>zweite"_s},
            {"HKEY_USERS\\S-1", u"<B>HKEY_USERS\\S-1</B><BR><BR>Zu diesem Schlüssel liegen keine Informationen vor."_s},
            {"", u"<B>Arbeitsplatz</B><BR><BR>Die Hauptschlüssel der Registrierung"_s}};
        for (const auto& [keyPath, page] : cases)
            QCOMPARE(InfoPage::pageText(m_file, QString::fromLatin1(keyPath), u"Arbeitsplatz"_s), page);
    }

    void valueLink_data()
    {
        QTest::addColumn<int>("link");
        QTest::addColumn<MessageAnswer>("answer");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("name");
        QTest::addColumn<Stored>("after");
        using O = InfoPage::LinkOutcome;
        const auto row = [](const char* tag, int link, MessageAnswer answer, O outcome, const char* name,
                            const Stored& after) {
            QTest::newRow(tag) << link << answer << int(outcome) << QString::fromUtf8(name) << after;
        };
        const MessageAnswer yes = MessageAnswer::Yes;
        row("new dword", 1, yes, O::Written, "Neu", {REG_DWORD, QByteArray("\xff\0\0\0", 4)});
        row("existing string changed", 2, yes, O::Written, "Alt", {REG_SZ, sz("neuer Text")});
        row("expandable default value", 3, yes, O::Written, "", {REG_EXPAND_SZ, sz("%A%")});
        row("declined", 1, MessageAnswer::No, O::Declined, "Neu", Missing);
        row("key refuses the write", 1, yes, O::Failed, "Neu", Missing);
        row("number absent", 9, yes, O::NoLink, "Neu", Missing);
        row("number 1 is not 10", 10, yes, O::NoLink, "Neu", Missing);
        row("not a value line", 4, yes, O::NotAValue, "kein Wert", Missing);
        row("byte list that goes on", 5, yes, O::NotAValue, "Rest", Missing);
        row("link never closed", 6, yes, O::NoLink, "offen", Missing);
    }

    // A value link asks, writes the value the line describes into the selected key and records it in
    // the edit undo list, so that undo takes it back; anything else leaves the registry as it was.
    void valueLink()
    {
        QFETCH(int, link);
        QFETCH(MessageAnswer, answer);
        QFETCH(int, outcome);
        QFETCH(QString, name);
        using O = InfoPage::LinkOutcome;
        QVERIFY(setValue(QStringLiteral("K"), QStringLiteral("Alt"), REG_SZ, sz("alt")));
        if (outcome == int(O::Failed))
            QVERIFY(denyKey(QStringLiteral("K"), KEY_DENY_WRITE));
        const Stored before = value(QStringLiteral("K"), name);
        TUndoList undo;
        m_fx.sink->pushAnswer(answer);
        const QString page = QStringLiteral("<B>K</B><BR><BR>Ein <a=1>\"Neu\"=dword:000000ff</A> und "
                                            "<A=2>\"Alt\"=\"neuer Text\"</a>, <A=3>@=hex(2):25,41,25,00</A>, "
                                            "<A=4>kein Wert</A>, <A=5>\"Rest\"=hex:01,\\</A><A=6>\"offen\"=dword:1");
        QCOMPARE(int(InfoPage::applyValueLink(page, link, u"HKEY_CURRENT_USER\\K"_s, undo, *m_fx.sink)), outcome);
        QTEST(value(QStringLiteral("K"), name), "after");
        QCOMPARE(undo.CanUndo(), outcome == int(O::Written));
        const QStringList texts = m_fx.sink->texts();
        QCOMPARE(texts.size(), outcome == int(O::NoLink) ? 0 : outcome == int(O::Failed) ? 2 : 1);
        if (link == 1) { // the question, and the failure
            QCOMPARE(m_fx.sink->messages().first().kind, MessageKind::YesNo);
            QCOMPARE(texts.first(), QStringLiteral("Den Wert \"Neu\"=dword:000000ff wirklich im Schlüssel\r\n"
                                                   "HKEY_CURRENT_USER\\K\r\nerstellen?"));
            QCOMPARE(texts.last().startsWith(u"Fehler: Konnte Eintrag nicht vornehmen.\r\n("_s),
                     outcome == int(O::Failed));
        }
        if (outcome != int(O::Written))
            return;
        undo.UndoLastGroup();
        QCOMPARE(value(QStringLiteral("K"), name), before);
    }

private:
    using Stored = QPair<DWORD, QByteArray>;
    const Stored Missing{REG_NONE, QByteArray("<missing>")};
    StoreFixture m_fx;
    QString m_file;
};

QTEST_GUILESS_MAIN(TestInfoFile)
#include "TestInfoFile.moc"
