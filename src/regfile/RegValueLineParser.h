#pragma once

// The text rules of one registry-file line: value lines ("Name"=data, @=data), byte lists and the
// escaped strings inside quotes. The rules return their failure as a result; the functions under the
// names the rest of the program knows (ParseRegValueLine ...) also leave it in LastRegFileError().

#include "platform/WinTypes.h"
#include "regfile/RegFileFormat.h"
#include "regfile/RegFileResult.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

enum class RegValueKind { String, DWord, Bytes, Delete };

// One parsed value line.
struct TRegValueLine {
    QString Name;           // empty for the default value ("@")
    RegValueKind Kind = RegValueKind::String;
    QString StringData;     // String: the unescaped text
    QString DWordDigits;    // DWord: the hexadecimal digits as written (at most 8)
    DWORD DWordData = 0;    // DWord: their value
    QByteArray BinaryData;  // Bytes: the bytes of this line
    qint64 TypeCode = REG_BINARY; // Bytes: the code written in hex(N), REG_BINARY for "hex:"
                            // Delete (version 5, "name"=-): the value is to be removed
    bool Continued = false; // Bytes: the list goes on in the next line (it ended with a backslash)
};

namespace RegValueLineParser {

// Removes leading and trailing characters with codes up to 32.
[[nodiscard]] QStringView trimLine(QStringView line);
// The registry type a byte value is written with: codes 0 to 10 as they are, every other 0.
[[nodiscard]] DWORD mappedType(qint64 typeCode);

// Version 5 lines read the N of hex(N) as hexadecimal and take "-" as data: delete the value.
[[nodiscard]] RegFileResult parseValueLine(QStringView line, TRegValueLine* parsed,
                                           RegFileFormat format = RegFileFormat::Regedit4);
// A version 5 line without a comment after its data ("a"="b" ; note): cut at the first ";" outside
// quotes, trimmed.
[[nodiscard]] QStringView stripComment(QStringView line);
// Appends the bytes of a byte list ("01,ab,\") to *bytes; fails at the first bad token.
[[nodiscard]] RegFileResult parseHexBytes(QStringView text, QByteArray* bytes);
[[nodiscard]] RegFileResult unescapeString(QStringView text, QString* plain);
// The bytes a string or dword line stores: the text as UTF-8 with its terminating NUL, or the
// number's four bytes, least significant first.
[[nodiscard]] QByteArray storedData(const TRegValueLine& value);

} // namespace RegValueLineParser

[[nodiscard]] bool ParseRegValueLine(QStringView line, TRegValueLine* parsed);
[[nodiscard]] bool ParseHexBytes(QStringView text, QByteArray* bytes);
[[nodiscard]] bool UnescapeRegString(QStringView text, QString* plain);

// Error texts of the line rules.
namespace RegFileTexts {
inline const QString EmptyValue = QStringLiteral("Leerer Wert");
inline const QString BadSeparator = QStringLiteral("Ungültige Wert-Daten-Zuordnung: (=) fehlerhaft");
inline const QString MissingColon = QStringLiteral("Ungültige Wert-Daten-Zuordnung: (:) fehlt");
inline const QString MissingQuote = QStringLiteral("Fehlendes Begrenzungszeichen (\")");
inline const QString BadStringChars = QStringLiteral("Ungültige Zeichen im Namen bzw. Stringwert");
inline const QString BadDWordChars = QStringLiteral("Ungültige Zeichen im DWord-Datenbereich");
inline const QString BadHexIdFormat = QStringLiteral("Ungültige Hex-ID-Formatierung (ID: 0-10 -> hex(ID):00,00,..)");
inline const QString BadHexIdChars = QStringLiteral("Ungültige Zeichen in Hex-ID (ID: 0-10 -> hex(ID):00,00,..)");
inline const QString BadHexIdCharsV5 = QStringLiteral("Ungültige Zeichen in Hex-ID (ID hexadezimal: 0-ffffffff -> "
                                                      "hex(ID):00,00,..)");
inline const QString BadHexChars = QStringLiteral("Ungültige Zeichen im Hex-Datenbereich");
inline const QString HexByteTooLarge = QStringLiteral("Bytewert im Hex-Datenbereich zu groß");
inline const QString BadLine = QStringLiteral("Ungültige Zeile");
inline const QString CannotOpenFile = QStringLiteral("Kann Datei nicht öffnen.");
inline const QString CannotSaveFile = QStringLiteral("Kann Datei nicht sichern.");
// Reasons of the reader and the writer beyond the line rules.
inline const QString MissingHeader = QStringLiteral("Die Datei beginnt nicht mit \"REGEDIT4\" oder \"Windows Registry "
                                                    "Editor Version 5.00\"");
inline const QString UnfinishedHex = QStringLiteral("Der Hex-Datenbereich endet mit der Datei unvollständig");
inline const QString BrokenOffHex = QStringLiteral("Der Hex-Datenbereich bricht unvollständig ab");
inline const QString ValueWithoutKey = QStringLiteral("Wert vor der ersten Schlüsselzeile");
inline const QString RootNotDeleted = QStringLiteral("Ein Stammschlüssel wird nicht gelöscht: ");
inline const QString NoKeyLine = QStringLiteral("Die Datei enthält keine Schlüsselzeile");
inline const QString CommitFailed = QStringLiteral("Die Änderungen konnten nicht gespeichert werden: ");
inline const QString Cancelled = QStringLiteral("Der Vorgang wurde abgebrochen.");
inline const QString StoreFile = QStringLiteral("Die Datei ist die geöffnete Registrierungsdatenbank und wird "
                                                "nicht als Registrierungsdatei gelesen oder beschrieben.");
} // namespace RegFileTexts
