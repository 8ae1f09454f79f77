// Every writer of the program's own files replaces its file only when the whole new content reached the
// disk: with the disk full the writer answers failure (with the program's message where it has one),
// the old file keeps every byte, and no temporary file is left beside it.

#include "annotations/AliasFile.h"
#include "annotations/FileSizeLimit.h"
#include "annotations/NoteFile.h"
#include "annotations/StructureFile.h"
#include "annotations/ToolsFile.h"
#include "changes/ChangeList.h"
#include "changes/ChangeListFile.h"
#include "changes/ExclusionList.h"
#include "changes/WriteAnalysisFile.h"
#include "mainwindow/Favorites.h"
#include "mainwindow/NavigationHistory.h"
#include "mainwindow/TreeStateFile.h"
#include "platform/WinReg.h"
#include "regfile/RegFileUtils.h"
#include "registry/KeyTreeModel.h"
#include "registry/Progress.h"
#include "search/ResultFile.h"
#include "search/SearchResultList.h"
#include "support/TempStore.h"
#include "support/TestFiles.h"

#include <QBuffer>
#include <QDir>
#include <QTest>

#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int Big = 1000; // entries of a content far larger than the old one

// A key below HKEY_CURRENT_USER\Software with n values of 100 bytes; its path. Made before the disk is
// full (the store needs room too), asked for again by the writers.
QString branchOf(int n)
{
    const QString path = u"Software\\Branch%1"_s.arg(n);
    HKEY key = 0;
    DWORD disposition = 0;
    if (RegCreateKeyEx(HKEY_CURRENT_USER, path, 0, {}, 0, KEY_ALL_ACCESS, nullptr, &key, &disposition) == 0) {
        for (int i = 0; i < n; ++i)
            (void)RegSetValueBytes(key, u"v%1"_s.arg(i), REG_SZ, QByteArray(100, 'x'));
        RegCloseKey(key);
    }
    return u"HKEY_CURRENT_USER\\"_s + path;
}

QString line(int i)
{
    return u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Eintrag%1"_s.arg(i);
}

// The n entries make(0) ... make(n - 1).
template <class Make>
auto listOf(int n, Make make)
{
    QList<decltype(make(0))> all;
    for (int i = 0; i < n; ++i)
        all.append(make(i));
    return all;
}

// Writers of n entries into a file; each answers whether the file was written. The message of those
// that have one goes to *text.
using Writer = bool (*)(const QString& file, int n, QString* text);

} // namespace

Q_DECLARE_METATYPE(Writer)

class TestFileCommit final : public QObject {
    Q_OBJECT
private slots:
    void init() { QVERIFY(m_store.emplace().ok()); }
    void cleanup() { m_store.reset(); }

    void writers_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("message"); // how a failure begins, where the writer has a message
        QTest::addColumn<Writer>("writer");
        QTest::newRow("export") << u"export.reg"_s << u"Kann Datei nicht sichern."_s
                                << Writer([](const QString& f, int n, QString* text) {
                                       NullProgress progress;
                                       const RegFileResult result = ExportRegFileResult(f, branchOf(n), progress);
                                       *text = result.text;
                                       return result.ok;
                                   });
        QTest::newRow("analysis file") << u"branch.rec"_s << u"Kann Datei nicht speichern."_s
                                       << Writer([](const QString& f, int n, QString* text) {
                                              NullProgress progress;
                                              const auto result = WriteAnalysisFileResult(f, branchOf(n), progress);
                                              *text = result.text;
                                              return result.ok();
                                          });
        QTest::newRow("change list") << u"list.cbk"_s << QString() << Writer([](const QString& f, int n, QString*) {
            ChangeList list;
            for (int i = 0; i < n; ++i)
                list.AddChangeEntry(KeyCreatedText, QString(), {ChangeKinds::KeyCreated, line(i), {}, {}}, 1, line(i));
            return SaveChangeList(f, list);
        });
        QTest::newRow("result list") << u"found.slt"_s << QString() << Writer([](const QString& f, int n, QString*) {
            SearchResultList list;
            std::vector<ResultRow> rows;
            for (int i = 0; i < n; ++i)
                rows.push_back({u"Schlüssel"_s, QString(), line(i), 1, false});
            list.addResultRows(std::move(rows));
            return SaveResultFile(f, list);
        });
        QTest::newRow("exclusion list") << u"excl.dat"_s << QString() << Writer([](const QString& f, int n, QString*) {
            return SaveExclusionList(f, listOf(n, [](int i) { return u'1' + line(i); }));
        });
        QTest::newRow("favorites") << u"favorite.fav"_s << QString() << Writer([](const QString& f, int n, QString*) {
            return FavoritesFile::save(listOf(n, [](int i) { return Favorite{u"Favorit %1"_s.arg(i), line(i)}; }), f);
        });
        QTest::newRow("history") << u"history.dat"_s << QString() << Writer([](const QString& f, int n, QString*) {
            return ListFile::write(f, listOf(n, line));
        });
        // The tree is what a stored state rebuilds: a machine node with n keys below it.
        QTest::newRow("tree state") << u"Lokaler PC.tmp"_s << QString()
                                    << Writer([](const QString& f, int n, QString*) {
                                           QByteArray state = "00000000\r\n0101000101Arbeitsplatz\r\n";
                                           for (int i = 0; i < n; ++i)
                                               state += "0202010000Eintrag" + QByteArray::number(i) + "\r\n";
                                           QBuffer device(&state);
                                           device.open(QIODevice::ReadOnly);
                                           KeyTreeModel tree;
                                           const QModelIndex selected = TreeStateFile::read(tree, device);
                                           return TreeStateFile::save(tree, selected, f);
                                       });
        QTest::newRow("aliases") << u"alias.dat"_s << QString() << Writer([](const QString& f, int n, QString*) {
            return AliasFile::save(listOf(n, [](int i) { return AliasEntry{u"a%1"_s.arg(i), line(i)}; }), f);
        });
        QTest::newRow("tools") << u"tools.dat"_s << QString() << Writer([](const QString& f, int n, QString*) {
            const auto tool = [](int i) { return ExternalTool{u"Werkzeug %1"_s.arg(i), u"true"_s, u"-x %1"_s.arg(i)}; };
            return ToolsFile::save(listOf(n, tool), f);
        });
        QTest::newRow("structure") << u"struktur.rst"_s << QString() << Writer([](const QString& f, int n, QString*) {
            Structure s;
            s.nodes.append({StructureFile::RootName, 0, 1, 0, n > 0, false});
            for (int i = 0; i < n; ++i)
                s.nodes.append({u"Schlüssel %1"_s.arg(i), 2, 3, 1, false, false});
            return StructureFile::save(s, f);
        });
        QTest::newRow("notes") << u"memo.dat"_s << QString() << Writer([](const QString& f, int n, QString*) {
            const auto note = [](int i) { return KeyNote{0, u"01.02.2003"_s, line(i), u"Notiz %1"_s.arg(i)}; };
            return NoteFile::save(listOf(n, note), f);
        });
    }

    void writers()
    {
        QFETCH(QString, fileName);
        QFETCH(QString, message);
        QFETCH(Writer, writer);
        const QString dir = m_store->dataDir();
        const QString file = dir + u'/' + fileName;
        QString text;
        (void)branchOf(Big);
        QVERIFY(writer(file, 2, &text));
        const QByteArray old = readFile(file);
        QVERIFY(old.size() > 0);
        const QStringList before = QDir(dir).entryList(QDir::Files);
        // The disk full: the new content (far larger than the old one) does not fit.
        bool written = true;
        {
            const FileSizeLimit limit(old.size() + 64);
            QVERIFY(limit.ok());
            written = writer(file, Big, &text);
        }
        QVERIFY(!written);
        QCOMPARE(readFile(file), old);
        QCOMPARE(QDir(dir).entryList(QDir::Files), before);
        if (!message.isEmpty())
            QVERIFY2(text.startsWith(message), qPrintable(text));
        // And once there is room again, the file is replaced.
        QVERIFY(writer(file, Big, &text));
        const QByteArray replaced = readFile(file);
        QVERIFY(replaced.size() > old.size());
        // A folder the user may not write to (the superuser may, so that part is left out for it).
        if (::geteuid() == 0)
            return;
        QVERIFY(QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        written = writer(file, 3, &text);
        QVERIFY(QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
        QVERIFY(!written);
        QCOMPARE(readFile(file), replaced);
        if (!message.isEmpty())
            QVERIFY2(text.startsWith(message), qPrintable(text));
    }

private:
    std::optional<TempStore> m_store;
};

QTEST_GUILESS_MAIN(TestFileCommit)
#include "TestFileCommit.moc"
