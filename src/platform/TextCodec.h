#pragma once

// The one codec of the program's 8-bit files: Windows-1252 where the text fits (byte-identical to the
// Windows program's files), UTF-8 where it does not, so that nothing is lost. Reading takes bytes as
// UTF-8 when they are valid UTF-8 holding a non-ASCII byte, otherwise as Windows-1252. Text whose
// Windows-1252 bytes would pass as UTF-8 is written as UTF-8, so that every text reads back unchanged.

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace TextCodec {

[[nodiscard]] QByteArray encode(QStringView text);
[[nodiscard]] QString decode(QByteArrayView bytes);

// Windows-1252 alone (undefined bytes 0x81, 0x8D, 0x8F, 0x90, 0x9D map to the same code points).
[[nodiscard]] bool fitsWindows1252(QStringView text);
[[nodiscard]] QByteArray toWindows1252(QStringView text); // characters that do not fit become '?'
[[nodiscard]] QString fromWindows1252(QByteArrayView bytes);
[[nodiscard]] bool isValidUtf8(QByteArrayView bytes);

// The data of a string-typed value (REG_EXPAND_SZ, REG_MULTI_SZ: stored as UTF-8, zeros included) as an
// 8-bit file carries it: its text by the rule of encode(); bytes that are not UTF-8 stay as they are.
[[nodiscard]] QByteArray encodeUtf8Data(QByteArrayView utf8);
// The reverse: a file's data bytes read by the rule of decode(), as UTF-8 again.
[[nodiscard]] QByteArray decodeToUtf8Data(QByteArrayView bytes);

} // namespace TextCodec
