// Random registries with hostile names and data export, import into a fresh store and export again
// to the same bytes, and both stores hold the same keys and values.

#include "platform/WinReg.h"
#include "regfile/RegFileUtils.h"
#include "support/ScriptedProgress.h"
#include "support/TempStore.h"

#include <QFile>
#include <QLocale>
#include <QMap>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Keys: path -> (value name -> type and data), everything below HKEY_CURRENT_USER\RT.
using Snapshot = QMap<QString, QMap<QString, QPair<DWORD, QByteArray>>>;

// Characters for names and strings: quotes, backslashes, line breaks, "=", blanks, umlauts and
// characters outside Windows-1252. The Windows-1252 range 0x80-0xBF is left out: such bytes after
// "Ã" could also read as UTF-8.
const QString Alphabet = QStringLiteral("aZ09 =\"\\\r\n;[]@,:\täöüÄÖÜßéΩ€Жℓ中🙂");

QString randomText(QRandomGenerator& rng, int maxLength, bool keyName)
{
    const int length = int(rng.bounded(maxLength + 1));
    QString text;
    while (text.size() < length) {
        const QChar c = Alphabet[rng.bounded(Alphabet.size())];
        if (c.isSurrogate()) {
            text += QStringLiteral("🙂");
            continue;
        }
        // Key names hold no backslash; line breaks in a key name cannot be written in a key line.
        if (keyName && (c == u'\\' || c == u'\r' || c == u'\n'))
            continue;
        text += c;
    }
    if (keyName && text.trimmed().isEmpty())
        text += u'k';
    return text;
}

// Strings hold UTF-8 text (the registry's 8-bit view); a DWORD sometimes has the wrong size.
QByteArray randomData(QRandomGenerator& rng, DWORD type)
{
    if (type == REG_DWORD)
        return QByteArray::number(rng.generate()).leftJustified(4, '\0').left(rng.bounded(3) == 0 ? 2 : 4);
    const int size = rng.bounded(20) == 0 ? 65536 : int(rng.bounded(80));
    if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
        QString text = randomText(rng, size / 4, false);
        if (type != REG_SZ || rng.bounded(4) == 0)
            text += QChar(0) + QStringLiteral("Rest");
        return text.toUtf8() + QByteArray(1, '\0');
    }
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& b : bytes)
        b = char(rng.bounded(256));
    return bytes;
}

HKEY createKey(const QString& path)
{
    HKEY key = 0;
    DWORD disposition = 0;
    if (RegCreateKeyEx(HKEY_CURRENT_USER, path, 0, QString(), 0, KEY_READ | KEY_WRITE, nullptr, &key, &disposition)
        != ERROR_SUCCESS)
        return 0;
    return key;
}

void fill(QRandomGenerator& rng, const QString& path, int depth)
{
    const HKEY key = createKey(path);
    QVERIFY(key != 0);
    const int values = int(rng.bounded(6));
    for (int i = 0; i < values; ++i) {
        const DWORD type = rng.bounded(5) == 0 ? DWORD(rng.bounded(1000)) : DWORD(rng.bounded(12));
        const QString name = i == 0 && rng.bounded(2) ? QString() : randomText(rng, 40, false);
        QCOMPARE(RegSetValueBytes(key, name, type, randomData(rng, type)), ERROR_SUCCESS);
    }
    RegCloseKey(key);
    if (depth >= 3)
        return;
    const int children = int(rng.bounded(4));
    for (int i = 0; i < children; ++i)
        fill(rng, path + u'\\' + randomText(rng, 12, true), depth + 1);
}

void collect(HKEY parent, const QString& path, Snapshot* snapshot)
{
    HKEY key = 0;
    QCOMPARE(RegOpenKeyEx(parent, path, 0, KEY_READ, &key), ERROR_SUCCESS);
    auto& values = (*snapshot)[path];
    QString name;
    DWORD type = 0;
    QByteArray data;
    for (DWORD i = 0; RegEnumValueBytes(key, i, &name, 16384, &type, &data) == ERROR_SUCCESS; ++i) {
        // What the file can carry of REG_SZ: the text up to its first NUL.
        if (type == REG_SZ)
            data = data.left(data.indexOf('\0')) + QByteArray(1, '\0');
        values.insert(name, {type > 10 ? REG_NONE : type, data});
    }
    QStringList subKeys;
    for (DWORD i = 0; RegEnumKey(key, i, &name, 256) == ERROR_SUCCESS; ++i)
        subKeys.append(name);
    RegCloseKey(key);
    for (const QString& sub : subKeys)
        collect(HKEY_CURRENT_USER, path + u'\\' + sub, snapshot);
}

QByteArray readAll(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestRegFileRoundTrip final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }
    void roundTrips_data();
    void roundTrips();
};

void TestRegFileRoundTrip::roundTrips_data()
{
    QTest::addColumn<quint32>("seed");
    for (quint32 seed = 1; seed <= 12; ++seed)
        QTest::addRow("seed %u", seed) << seed;
}

void TestRegFileRoundTrip::roundTrips()
{
    QFETCH(quint32, seed);
    QRandomGenerator rng(seed);
    QTemporaryDir dir;
    const QString first = dir.filePath(QStringLiteral("first.reg"));
    const QString second = dir.filePath(QStringLiteral("second.reg"));
    Snapshot before;
    Snapshot after;
    ScriptedProgress progress;
    {
        TempStore store;
        QVERIFY(store.ok());
        fill(rng, QStringLiteral("RT"), 0);
        collect(HKEY_CURRENT_USER, QStringLiteral("RT"), &before);
        QVERIFY(ExportRegFile(first, QStringLiteral("HKEY_CURRENT_USER\\RT"), progress));
    }
    {
        TempStore store;
        QVERIFY(store.ok());
        QVERIFY2(ImportRegFile(first, progress), qPrintable(LastRegFileError()));
        collect(HKEY_CURRENT_USER, QStringLiteral("RT"), &after);
        QVERIFY(ExportRegFile(second, QStringLiteral("HKEY_CURRENT_USER\\RT"), progress));
    }
    QCOMPARE(readAll(second), readAll(first));
    QCOMPARE(after.keys(), before.keys());
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        QCOMPARE(after.value(it.key()), it.value());
}

QTEST_GUILESS_MAIN(TestRegFileRoundTrip)
#include "TestRegFileRoundTrip.moc"
