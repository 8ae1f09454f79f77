// Random registries with hostile names and data export, import into a fresh store and export again
// to the same bytes, and both stores hold the same keys and values.

#include "regfile/RegFileUtils.h"
#include "registry/RegTestKeys.h"
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

// Quotes, backslashes, line breaks, "=", blanks, umlauts and characters outside Windows-1252. The
// Windows-1252 range 0x80-0xBF is left out: such bytes after "Ã" could also read as UTF-8.
const QString Alphabet = QStringLiteral("aZ09 =\"\\\r\n;[]@,:\täöüÄÖÜßéΩ€Жℓ中🙂");

QString randomText(QRandomGenerator& rng, int maxLength, bool keyName)
{
    const int length = int(rng.bounded(maxLength + 1));
    QString text;
    while (text.size() < length) {
        const QChar c = Alphabet[rng.bounded(Alphabet.size())];
        // Key names hold no backslash; line breaks in a key name cannot be written in a key line.
        if (!keyName || (c != u'\\' && c != u'\r' && c != u'\n'))
            text += c.isSurrogate() ? QStringLiteral("🙂") : QString(c);
    }
    return keyName && text.trimmed().isEmpty() ? text + u'k' : text;
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

void fill(QRandomGenerator& rng, const QString& path, int depth)
{
    QVERIFY(RegTestKeys::makeKey(path));
    for (int i = 0, values = int(rng.bounded(6)); i < values; ++i) {
        const DWORD type = rng.bounded(5) == 0 ? DWORD(rng.bounded(1000)) : DWORD(rng.bounded(12));
        const QString name = i == 0 && rng.bounded(2) ? QString() : randomText(rng, 40, false);
        QVERIFY(RegTestKeys::setValue(path, name, type, randomData(rng, type)));
    }
    for (int i = 0, children = depth >= 3 ? 0 : int(rng.bounded(4)); i < children; ++i)
        fill(rng, path + u'\\' + randomText(rng, 12, true), depth + 1);
}

void collect(const QString& path, Snapshot* snapshot)
{
    HKEY key = 0;
    QCOMPARE(RegOpenKeyEx(HKEY_CURRENT_USER, path, 0, KEY_READ, &key), ERROR_SUCCESS);
    QString name;
    DWORD type = 0;
    QByteArray data;
    for (DWORD i = 0; RegEnumValueBytes(key, i, &name, 16384, &type, &data) == ERROR_SUCCESS; ++i) {
        if (type == REG_SZ) // what the file can carry of REG_SZ: the text up to its first NUL
            data = data.left(data.indexOf('\0')) + QByteArray(1, '\0');
        (*snapshot)[path].insert(name, {type > 10 ? REG_NONE : type, data});
    }
    RegCloseKey(key);
    for (const QString& sub : RegTestKeys::subKeys(path))
        collect(path + u'\\' + sub, snapshot);
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

    void roundTrips_data()
    {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed = 1; seed <= 12; ++seed)
            QTest::addRow("seed %u", seed) << seed;
    }

    void roundTrips()
    {
        QFETCH(quint32, seed);
        QRandomGenerator rng(seed);
        QTemporaryDir dir;
        const QString first = dir.filePath(QStringLiteral("first.reg"));
        const QString second = dir.filePath(QStringLiteral("second.reg"));
        Snapshot before, after;
        ScriptedProgress progress;
        for (Snapshot* snapshot : {&before, &after}) {
            TempStore store;
            QVERIFY(store.ok());
            if (snapshot == &before)
                fill(rng, QStringLiteral("RT"), 0);
            else
                QVERIFY2(ImportRegFile(first, progress), qPrintable(LastRegFileError()));
            collect(QStringLiteral("RT"), snapshot);
            const QString target = snapshot == &before ? first : second;
            QVERIFY(ExportRegFile(target, QStringLiteral("HKEY_CURRENT_USER\\RT"), progress));
        }
        QCOMPARE(readAll(second), readAll(first));
        QCOMPARE(after, before);
    }
};

QTEST_GUILESS_MAIN(TestRegFileRoundTrip)
#include "TestRegFileRoundTrip.moc"
