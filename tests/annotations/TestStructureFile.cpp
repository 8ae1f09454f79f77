#include "annotations/StructureFile.h"

#include "registry/RegTestKeys.h"
#include "support/TestFiles.h"

#include <QtTest>

using namespace RegTestKeys;

namespace {

const QString Target = QStringLiteral("HKEY_CURRENT_USER\\Ziel");

// Nodes from "level:name" items, every one without image numbers; a node has children when the next
// one is deeper.
Structure nodes(const QStringList& items)
{
    Structure s;
    for (qsizetype i = 0; i < items.size(); ++i) {
        const int level = items[i].section(u':', 0, 0).toInt();
        const bool children = i + 1 < items.size() && items[i + 1].section(u':', 0, 0).toInt() > level;
        s.nodes.append({items[i].section(u':', 1), 0, 0, level, children, level == 0 && children});
    }
    return s;
}

QStringList items(const Structure& s)
{
    QStringList result;
    for (const StructureNode& n : s.nodes)
        result << QString::number(n.level) + u':' + n.name;
    return result;
}

} // namespace

class TestStructureFile final : public QObject {
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_fixture.start()); }
    void cleanup() { m_fixture.stop(); }

    // A structure file's exact bytes; the names a structure may have.
    void structureFileAndNames()
    {
        Structure s{2, {{"Root-Schlüssel", 0, 0, 0, true, true},
                        {"Software", 1, 2, 1, true, false},
                        {"Ä", 0x1F, 0xAB, 2, false, true}}};
        QBuffer buffer;
        buffer.open(QIODevice::ReadWrite);
        QVERIFY(StructureFile::write(s, buffer));
        // Expanded stays 00 for a node without children.
        QCOMPARE(buffer.data(), QByteArray("00000002\r\n0000000101Root-Schl\xFCssel\r\n"
                                           "0102010100Software\r\n1FAB020000\xC4\r\n"));
        buffer.seek(0);
        s.nodes[2].expanded = false;
        QCOMPARE(StructureFile::read(buffer), s);
        QVERIFY(StructureFile::isValidName(QStringLiteral("Meine Struktur.v2")));
        QVERIFY(!StructureFile::isValidName(QString()));
        for (QChar bad : QStringLiteral("\\/:*?\"<>|"))
            QVERIFY2(!StructureFile::isValidName(QStringLiteral("a") + bad + u'b'), qPrintable(QString(bad)));
    }

    // A bad header selects the first node; short and bad lines are skipped, an empty name is kept.
    void readsDamagedFiles()
    {
        const std::tuple<QByteArray, int, QStringList> cases[] = {
            {"", 0, {}},
            {"0000000A", 10, {}},
            {"zz\r\n0000000000A\r\n", 0, {"A"}},
            {"FFFFFFFF\r\n0000000000A\r\n", 0, {"A"}},
            {"00000000\r\n000000000\r\n00000100xxB\r\n00 0000000C\r\n+1000000D\r\n\r\n0000010000E\n", 0, {"E"}},
            {"00000001\r\n0000000000\r\n", 1, {""}}};
        for (auto [bytes, selected, names] : cases) {
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::ReadOnly);
            const Structure s = StructureFile::read(buffer);
            QCOMPARE(s.selected, selected);
            QStringList read;
            for (const StructureNode& n : s.nodes)
                read << n.name;
            QCOMPARE(read, names);
        }
    }

    // A node's parent is the nearest node above it on a lower level, whatever levels it skips.
    void parentsFollowLevels()
    {
        const std::pair<QList<int>, QList<int>> cases[] = {{{0, 1, 2, 2, 1}, {-1, 0, 1, 1, 0}},
                                                           {{0, 1, 2, 3, 1, 2}, {-1, 0, 1, 2, 0, 4}},
                                                           {{0, 1, 3, 2}, {-1, 0, 1, 1}},
                                                           {{0, 1, 0}, {-1, 0, -1}},
                                                           {{3, 4, 1}, {-1, 0, -1}}};
        for (const auto& [levels, parents] : cases) {
            QList<StructureNode> list;
            for (int level : levels)
                list.append({"n", 0, 0, level, false, false});
            QCOMPARE(StructureFile::parentIndices(list), parents);
        }
    }

    void appliesBelowTargetKey_data()
    {
        QTest::addColumn<QStringList>("structure");
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("created"); // the target's subkey tree afterwards
        QTest::newRow("A/B/C/D") << QStringList{"0:Root-Schlüssel", "1:A", "2:B", "2:C", "1:D"} << 4
                                 << QStringList{"1:A", "2:B", "2:C", "1:D"};
        QTest::newRow("back two levels") << QStringList{"0:R", "1:A", "2:B", "3:C", "1:D", "2:E"} << 5
                                         << QStringList{"1:A", "2:B", "3:C", "1:D", "2:E"};
        QTest::newRow("root only") << QStringList{"0:Root-Schlüssel"} << 0 << QStringList();
        QTest::newRow("bad names skipped with what lies below")
            << QStringList{"0:R", "1:", "2:unter", "1:a\\b", "1:gut"} << 4 << QStringList{"1:gut"};
    }

    // existingKeysAndReadStructure() shows that the key structure is read as made; here it observes what
    // apply made.
    void appliesBelowTargetKey()
    {
        QFETCH(QStringList, structure);
        QVERIFY(makeKey(QStringLiteral("Ziel")));
        QTEST(StructureFile::apply(nodes(structure), Target), "count");
        QTEST(items(StructureFile::readKeyStructure(Target)).mid(1), "created");
    }

    // Existing keys stay and count; a key structure read from the registry rebuilds its tree elsewhere.
    void existingKeysAndReadStructure()
    {
        QVERIFY(setValue(QStringLiteral("Ziel\\A"), QStringLiteral("wert"), REG_SZ, QByteArray("x\0", 2)));
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("s.rst"));
        QVERIFY(StructureFile::save(nodes({"0:Root-Schlüssel", "1:a", "2:B", "1:D"}), file));
        QCOMPARE(StructureFile::apply(file, Target), 3);
        QCOMPARE(StructureFile::apply(file, Target), 3);
        QCOMPARE(subKeys(QStringLiteral("Ziel")), (QStringList{"A", "D"}));
        QCOMPARE(subKeys(QStringLiteral("Ziel\\A")), QStringList{"B"});
        QCOMPARE(value(QStringLiteral("Ziel\\A"), QStringLiteral("wert")).second, QByteArray("x\0", 2));
        QCOMPARE(StructureFile::apply(dir.filePath(QStringLiteral("fehlt.rst")), Target), 0);
        for (const char* key : {"Quelle\\B\\B1", "Quelle\\A\\A2", "Quelle\\A\\A1\\tief", "Quelle\\C"})
            QVERIFY(makeKey(QString::fromLatin1(key)));
        const Structure read = StructureFile::readKeyStructure(QStringLiteral("HKEY_CURRENT_USER\\Quelle"));
        QCOMPARE(items(read), (QStringList{"0:Root-Schlüssel", "1:A", "2:A1", "3:tief", "2:A2", "1:B", "2:B1", "1:C"}));
        QList<bool> children;
        for (const StructureNode& n : read.nodes)
            children << n.hasChildren;
        QCOMPARE(children, (QList<bool>{true, true, true, false, false, true, false, false}));
        QVERIFY(read.nodes[0].expanded);
        // Applied elsewhere, it rebuilds the same tree.
        QCOMPARE(StructureFile::apply(read, Target + u'2'), 7);
        QCOMPARE(items(StructureFile::readKeyStructure(Target + u'2')), items(read));
        QVERIFY(StructureFile::readKeyStructure(QStringLiteral("HKEY_CURRENT_USER\\Fehlt")).nodes.isEmpty());
    }

private:
    StoreFixture m_fixture;
};

QTEST_GUILESS_MAIN(TestStructureFile)
#include "TestStructureFile.moc"
