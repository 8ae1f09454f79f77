#pragma once

// The text of Wine's registry files: names and strings are UTF-16 code units written as ASCII, with C
// escapes for control characters and "\x" escapes for everything above 127 (each half of a surrogate
// pair on its own), exactly as the wineserver writes and reads them.

#include "platform/WinTypes.h"

#include <QByteArray>
#include <QString>

#include <functional>

namespace WineText {

// Escapes text; the characters of quote (and the backslash) get a backslash before them. A terminating
// NUL at the very end is left out, as the server does for string data.
[[nodiscard]] QByteArray escape(QStringView text, const char quote[2]);
// Reads escaped text from line at *pos up to the unescaped end character, leaving *pos after it. False
// when the end character is missing.
[[nodiscard]] bool unescape(QByteArrayView line, qsizetype* pos, char end, QString* text);

// One value as a line of the file (continuation lines included, ending in a line feed). data is the
// registry's own bytes (UTF-16LE for strings).
[[nodiscard]] QByteArray valueLines(const QString& name, DWORD type, QByteArrayView data);
// Parses one value from its line; nextLine hands out the following line when hex data goes on there
// (false at the end of the file). False for a malformed value (*value keeps the name when it was read).
struct ParsedValue {
    QString name;
    DWORD type = REG_NONE;
    QByteArray data;
};
[[nodiscard]] bool parseValue(QByteArrayView line, const std::function<bool(QByteArrayView*)>& nextLine,
                              ParsedValue* value);

// Seconds since 1970 and the "#time=" text of a FILETIME, as key lines carry them.
[[nodiscard]] QByteArray keySeconds(quint64 fileTime);
[[nodiscard]] QByteArray timeOption(quint64 fileTime);
[[nodiscard]] quint64 parseTimeOption(QByteArrayView hex);

// UTF-16LE bytes of text and back.
[[nodiscard]] QByteArray toUtf16(QStringView text);
[[nodiscard]] QString fromUtf16(QByteArrayView bytes);

} // namespace WineText
