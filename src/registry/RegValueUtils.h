#pragma once

// Reading and writing one value, the registry type names, and the texts a value shows in the value
// list (type, data, size) and everywhere else a value is listed.

#include "registry/RegResult.h"
#include "registry/TRegValue.h"

#include <QByteArray>
#include <QLatin1StringView>
#include <QString>

#include <array>

class ValueListModel;
struct ValueRow;

struct TypeNameEntry {
    QLatin1StringView name;
    DWORD code;
};

// Alphabetical by name; registry files and the search refer to entries by index.
inline constexpr std::array<TypeNameEntry, 10> TypeNameTable{{
    {QLatin1StringView("REG_BINARY"), REG_BINARY},
    {QLatin1StringView("REG_DWORD"), REG_DWORD},
    {QLatin1StringView("REG_DWORD_LITTLE_ENDIAN"), REG_DWORD},
    {QLatin1StringView("REG_DWORD_BIG_ENDIAN"), REG_DWORD_BIG_ENDIAN},
    {QLatin1StringView("REG_EXPAND_SZ"), REG_EXPAND_SZ},
    {QLatin1StringView("REG_LINK"), REG_LINK},
    {QLatin1StringView("REG_MULTI_SZ"), REG_MULTI_SZ},
    {QLatin1StringView("REG_NONE"), REG_NONE},
    {QLatin1StringView("REG_RESOURCE_LIST"), REG_RESOURCE_LIST},
    {QLatin1StringView("REG_SZ"), REG_SZ},
}};

// First index whose code matches (4 gives "REG_DWORD"), or -1.
[[nodiscard]] int TypeIndexOfCode(DWORD code);
// Index of the name compared without regard to case, or -1.
[[nodiscard]] int TypeIndexOfName(const QString& name);
// Type column text: the table's name, "REG_NONE" for codes not in the table.
[[nodiscard]] QString TypeNameOfCode(DWORD code);

// Value-list image numbers: 5 string, 6 DWORD, 7 every other type.
inline constexpr int ImageKey = 1;
inline constexpr int ImageString = 5;
inline constexpr int ImageDWord = 6;
inline constexpr int ImageOther = 7;
[[nodiscard]] int ValueImageIndex(DWORD type);

// On an open key.
[[nodiscard]] bool ValueExists(HKEY key, const QString& name);
[[nodiscard]] bool ReadValue(HKEY key, const QString& name, TRegValue& value);
[[nodiscard]] bool WriteValue(HKEY key, const QString& name, const TRegValue& value);
// The record for raw registry data as ReadValue builds it (false: a REG_DWORD that is not 4 bytes).
[[nodiscard]] bool ValueFromBytes(DWORD type, const QByteArray& data, TRegValue& value);
// The bytes WriteValue stores for a record (REG_SZ: UTF-8 and one zero byte).
[[nodiscard]] QByteArray ValueToBytes(const TRegValue& value);

// On a key path of CurrentMachine (connection failure: message, false / -1).
[[nodiscard]] bool ReadValuePath(const QString& keyPath, const QString& name, TRegValue& value);
[[nodiscard]] bool ValueExistsPath(const QString& keyPath, const QString& name);
[[nodiscard]] int GetValueSize(const QString& keyPath, const QString& name);

// Texts.
[[nodiscard]] QString FormatSize(quint32 size);         // "0 Byte", "1,46 KB", "120 KB", "1 MB"
[[nodiscard]] QString FormatBytes(const QByteArray& bytes); // "01 AB FF"
[[nodiscard]] QString ValueDataText(const TRegValue& value);
[[nodiscard]] quint32 ValueSize(const TRegValue& value);  // what the size column counts
[[nodiscard]] QString ValueSizeText(const TRegValue& value);
inline const QString DefaultValueCaption = QStringLiteral("(Standard)");
inline const QString ValueNotSetText = QStringLiteral("(Wert nicht gesetzt)");
inline const QString EmptyBinaryText = QStringLiteral("(Binärdaten der Länge Null)");

// Value list.
// The row that shows a value (the default value for an empty name).
[[nodiscard]] ValueRow ValueRowFor(const QString& name, const TRegValue& value);
void FillValueList(HKEY key, ValueListModel& list);
// Shows the key's values; an empty path (the machine node) empties the list. On a connection
// failure the list keeps its content.
void ShowKeyValues(const QString& keyPath, ValueListModel& list);

// Value operations.
inline const QString NewValuePrefix = QStringLiteral("Neuer Wert #");
enum class NewValueKind : int { String = 1, Binary = 3, DWord = 4 };
// Creates "Neuer Wert #n" (empty string, empty binary or DWORD 0), adds its row and returns the row,
// or -1.
[[nodiscard]] int CreateNewValue(const QString& keyPath, NewValueKind kind, ValueListModel& list);
// Success, NotFound, ValueNotChanged, NotConnected.
RegResult DeleteValuePath(const QString& keyPath, const QString& name, bool showErrors);
// Success, NotFound, ValueNotChanged, ValueName, ValueNotRead, ValueNotWritten, NotConnected.
RegResult RenameValue(const QString& keyPath, const QString& oldName, const QString& newName, bool showErrors);
