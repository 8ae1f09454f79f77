// A second process on the same store, for the tests of crash safety and of several processes.
//   store_child write STORE SIZE N   sets values in one batch until a write fails (the disk is full, or never),
//                                    committing every N values and reporting what is durable
//   store_child set STORE KEY NAME   creates KEY below HKEY_CURRENT_USER and sets the value NAME
//   store_child stress STORE ID MS   creates, deletes and fills keys shared with other processes for MS ms,
//                                    printing each value write that was answered 0 (after its batch ended)
//   store_child hold STORE MS        holds the write lock of the store for MS ms
//   store_child read STORE KEY NAME  opens the store read-only and prints the codes of a read and a write
//   store_child import STORE FILE    imports a registry file

#include "StoreProbe.h"
#include "platform/WinReg.h"
#include "regfile/RegFileUtils.h"
#include "registry/Progress.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QThread>
#include <cstdio>
#include <sqlite3.h>

using namespace Qt::Literals::StringLiterals;

namespace {

HKEY create(const QString& path)
{
    return StoreProbe::createKey(HKEY_CURRENT_USER, path);
}

void say(const QString& line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

// Values v0, v1, ... in the keys Software\Write\k0 (v0 to v99), k1, ...; their data the value's number,
// padded with "x" to size bytes.
int write(int size, int every)
{
    HKEY top = create(u"Software\\Write"_s);
    RegBatch batch(top);
    LONG rc = ERROR_SUCCESS;
    for (int i = 0; rc == ERROR_SUCCESS; ++i) {
        const QByteArray data = QByteArray::number(i).leftJustified(size, 'x');
        rc = StoreProbe::setValueIn(HKEY_CURRENT_USER, u"Software\\Write\\k%1"_s.arg(i / 100), u"v%1"_s.arg(i),
                                    REG_BINARY, data);
        if (rc == ERROR_SUCCESS && (i + 1) % every == 0 && (rc = RegFlushKey(top)) == ERROR_SUCCESS)
            say(u"durable %1"_s.arg(i + 1));
    }
    say(u"failed %1"_s.arg(rc));
    say(u"end %1"_s.arg(batch.end()));
    return 0;
}

// Values go to keys two levels down (never deleted); keys three and four levels down are created
// and deleted by every process at once.
int stress(int id, int ms)
{
    QRandomGenerator random{quint32(id)};
    QElapsedTimer timer;
    timer.start();
    for (int n = 0; timer.elapsed() < ms; ++n) {
        const bool batched = n % 2;
        HKEY top = create(u"Software\\Stress"_s);
        RegBatch batch(batched ? top : HKEY(0));
        QStringList written;
        for (int op = 0; op < 20; ++op) {
            const QString k2 = u"Software\\Stress\\K%1"_s.arg(random.bounded(2));
            const QString k3 = k2 + u"\\L%1"_s.arg(random.bounded(2));
            const QString k4 = k3 + u"\\M%1"_s.arg(random.bounded(2));
            LONG rc = ERROR_SUCCESS;
            switch (random.bounded(4)) {
            case 0: {
                HKEY k = create(k4);
                rc = k ? ERROR_SUCCESS : ERROR_REGISTRY_IO_FAILED;
                RegCloseKey(k);
                break;
            }
            case 1:
            case 2:
                rc = RegDeleteKey(HKEY_CURRENT_USER, random.bounded(2) ? k4 : k3);
                if (rc == ERROR_FILE_NOT_FOUND || rc == ERROR_ACCESS_DENIED)
                    rc = ERROR_SUCCESS; // absent, or has subkeys
                break;
            default: {
                const QString name = u"p%1_%2_%3"_s.arg(id).arg(n).arg(op);
                rc = StoreProbe::setValueIn(HKEY_CURRENT_USER, k2, name, REG_SZ, name.toUtf8());
                if (rc == ERROR_SUCCESS)
                    written << k2 + QLatin1Char('|') + name;
            }
            }
            if (rc != ERROR_SUCCESS)
                say(u"error %1"_s.arg(rc));
        }
        if (batched && batch.end() != ERROR_SUCCESS)
            say(u"error batch"_s);
        else
            for (const QString& w : written)
                say(u"w "_s + w);
        RegCloseKey(top);
    }
    return 0;
}

int hold(const QString& store, int ms)
{
    sqlite3* db = nullptr;
    if (sqlite3_open(store.toUtf8().constData(), &db) != SQLITE_OK
        || sqlite3_exec(db, "BEGIN IMMEDIATE; UPDATE meta SET v=v WHERE k='user'", nullptr, nullptr, nullptr))
        return 1;
    say(u"holding"_s);
    QThread::msleep(ms);
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return 0;
}

int read(const QString& store, const QString& key, const QString& name)
{
    QString error;
    say(u"open %1 %2"_s.arg(RegOpenLocalStore(store, &error, StoreAccess::ReadOnly)).arg(error));
    HKEY k = 0;
    QByteArray data;
    const LONG rc = RegOpenKeyEx(HKEY_CURRENT_USER, key, 0, KEY_ALL_ACCESS, &k);
    say(u"read %1 %2"_s.arg(rc ? rc : RegQueryValueBytes(k, name, nullptr, &data)).arg(data));
    say(u"write %1"_s.arg(RegSetValueBytes(k, name, REG_SZ, "x")));
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString mode = args.value(1);
    if (mode == QLatin1String("hold"))
        return hold(args.value(2), args.value(3).toInt());
    if (mode == QLatin1String("read"))
        return read(args.value(2), args.value(3), args.value(4));
    if (args.size() < 3 || RegOpenLocalStore(args.at(2)) != ERROR_SUCCESS)
        return 2;
    if (mode == QLatin1String("set") && args.size() == 5)
        return StoreProbe::setValueIn(HKEY_CURRENT_USER, args.at(3), args.at(4), REG_BINARY, "1") ? 1 : 0;
    if (mode == QLatin1String("import")) {
        NullProgress progress;
        return ImportRegFile(args.value(3), progress) ? 0 : 1;
    }
    if (mode == QLatin1String("write"))
        return write(args.value(3).toInt(), args.value(4).toInt());
    return mode == QLatin1String("stress") ? stress(args.value(3).toInt(), args.value(4).toInt()) : 2;
}
