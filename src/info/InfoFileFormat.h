#pragma once

// The constants of the key information file that the program reads and lorewright writes, in one
// place so that both agree: the identifier, the order of the root index, the operating-system names
// and the scrambling of title and rights notice.
//
// Layout (integers 32-bit little-endian, a string is its byte count followed by the bytes):
//   identifier 0x000AE001
//   header size        bytes of the fields up to the category block size (title .. reserved)
//     title (scrambled), operating system 0..5, version, rights notice (scrambled), 8 reserved bytes
//   category block size  bytes of the category count and the names
//     category count, names
//   entry count, six pairs (offset of the root's first entry, number of its entries)
//   entries grouped by root: body size (path bytes + text bytes), key path, text, category number

#include <QByteArray>
#include <QLatin1StringView>
#include <QString>
#include <QtGlobal>

#include <array>

namespace InfoFile {

inline constexpr quint32 Identifier = 0x000AE001;
inline constexpr int ReservedSize = 8;
inline constexpr int RootCount = 6;
// Bytes of an entry beyond its body size: the two string lengths and the category number.
inline constexpr int EntryOverhead = 12;

// The root index's order of root keys.
inline constexpr std::array<QLatin1StringView, RootCount> RootOrder{{
    QLatin1StringView("HKEY_CLASSES_ROOT"),
    QLatin1StringView("HKEY_CURRENT_CONFIG"),
    QLatin1StringView("HKEY_CURRENT_USER"),
    QLatin1StringView("HKEY_DYN_DATA"),
    QLatin1StringView("HKEY_LOCAL_MACHINE"),
    QLatin1StringView("HKEY_USERS"),
}};

inline constexpr std::array<QLatin1StringView, 6> OperatingSystems{{
    QLatin1StringView("Win95"),
    QLatin1StringView("Win98"),
    QLatin1StringView("WinME"),
    QLatin1StringView("WinNT"),
    QLatin1StringView("Win2000"),
    QLatin1StringView("WinXP"),
}};

// Position of the path's first component (up to the first backslash) in RootOrder, compared without
// regard to case; -1 when it is none of them.
[[nodiscard]] inline int RootIndexOf(const QString& keyPath)
{
    const qsizetype slash = keyPath.indexOf(QLatin1Char('\\'));
    const QStringView first = slash < 0 ? QStringView(keyPath) : QStringView(keyPath).left(slash);
    for (int i = 0; i < RootCount; ++i)
        if (first.compare(RootOrder[i], Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

// Title and rights notice are stored XORed with this key, byte i with key byte i mod 10; the same
// operation restores them.
inline constexpr std::array<char, 10> ScrambleKey{
    {'\x4B', '\x61', '\x76', '\x65', '\x6E', '\x2D', '\x49', '\x6E', '\x66', '\x6F'}};

[[nodiscard]] inline QByteArray Scramble(QByteArray bytes)
{
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = char(bytes[i] ^ ScrambleKey[size_t(i % qsizetype(ScrambleKey.size()))]);
    return bytes;
}

} // namespace InfoFile
