// A second process on the same store, for the tests of crash safety and cross-process changes.
//   store_child crash STORE          writes values in one batch forever, reporting each commit
//   store_child set STORE KEY NAME   creates KEY below HKEY_CURRENT_USER and sets the value NAME

#include "platform/WinReg.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3 || RegOpenLocalStore(args.at(2)) != ERROR_SUCCESS)
        return 2;
    HKEY k = 0;
    DWORD disp = 0;
    if (args.at(1) == QLatin1String("set") && args.size() == 5) {
        if (RegCreateKeyEx(HKEY_CURRENT_USER, args.at(3), 0, {}, 0, KEY_ALL_ACCESS, nullptr, &k, &disp)
            != ERROR_SUCCESS)
            return 1;
        const LONG rc = RegSetValueBytes(k, args.at(4), REG_BINARY, QByteArray("1"));
        RegCloseKey(k);
        return rc == ERROR_SUCCESS ? 0 : 1;
    }
    if (args.at(1) != QLatin1String("crash"))
        return 2;
    if (RegCreateKeyEx(HKEY_CURRENT_USER, QStringLiteral("Software\\Crash"), 0, {}, 0, KEY_ALL_ACCESS, nullptr, &k,
                       &disp)
        != ERROR_SUCCESS)
        return 1;
    RegBatch batch(k);
    for (int i = 0;; ++i) {
        HKEY sub = 0;
        if (RegCreateKeyEx(k, QStringLiteral("k%1").arg(i / 100), 0, {}, 0, KEY_ALL_ACCESS, nullptr, &sub, &disp)
                != ERROR_SUCCESS
            || RegSetValueBytes(sub, QStringLiteral("v%1").arg(i), REG_DWORD, QByteArray::number(i)) != ERROR_SUCCESS)
            return 1;
        RegCloseKey(sub);
        if ((i + 1) % 500 == 0) {
            if (RegFlushKey(k) != ERROR_SUCCESS)
                return 1;
            std::printf("committed %d\n", i + 1);
            std::fflush(stdout);
        }
    }
}
