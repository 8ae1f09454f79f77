#pragma once

// Arranging registry trees below HKEY_CURRENT_USER\T for the walk and command tests, in a short form:
//   "+K:sub"                 the key T\sub (and the keys along the path)
//   "+V:sub:name:type:data"  a value of T\sub: REG_SZ text, REG_DWORD decimal, other types Latin-1 with
//                            "|" for a NUL
//   "-V:sub:name"            the value is deleted
//   "-K:sub"                 T\sub is deleted with its subtree
//   "!K:sub"                 T\sub denies reading
// An empty sub is T itself.

#include "platform/WinReg.h"
#include "registry/RegTestKeys.h"
#include "registry/RegistryAccessor.h"

#include <QtCore>

namespace ChangeTestTree {

inline QString under(const QString& sub)
{
    return sub.isEmpty() ? QStringLiteral("T") : QStringLiteral("T\\") + sub;
}

inline QByteArray dataOf(DWORD type, const QString& text)
{
    if (type == REG_SZ)
        return text.toUtf8() + '\0';
    if (type == REG_DWORD) {
        QByteArray bytes(4, '\0');
        qToLittleEndian<quint32>(text.toUInt(), bytes.data());
        return bytes;
    }
    return text.toLatin1().replace('|', '\0');
}

inline bool apply(const QString& op)
{
    const QStringList f = op.mid(3).split(u':');
    const QString kind = op.left(2);
    const QString path = under(f.value(0));
    if (kind == QLatin1String("+K"))
        return RegTestKeys::makeKey(path);
    if (kind == QLatin1String("!K"))
        return RegTestKeys::denyKey(path, KEY_DENY_READ);
    if (kind == QLatin1String("+V"))
        return RegTestKeys::setValue(path, f.value(1), f.value(2).toUInt(), dataOf(f.value(2).toUInt(), f.value(3)));
    if (kind == QLatin1String("-K")) {
        RegistryAccessor reg(KEY_ALL_ACCESS);
        return reg.openPath(QStringLiteral("HKEY_CURRENT_USER"), false, false) == RegResult::Success
               && reg.deleteKey(QLatin1Char('\\') + path);
    }
    RegTestKeys::OpenedKey key;
    return RegTestKeys::openKey(key, path, HKEY_CURRENT_USER, KEY_ALL_ACCESS)
           && RegDeleteValue(key.handle, f.value(1)) == ERROR_SUCCESS;
}

inline bool apply(const QStringList& ops)
{
    return std::all_of(ops.begin(), ops.end(), [](const QString& op) { return apply(op); });
}

} // namespace ChangeTestTree
