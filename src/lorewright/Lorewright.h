#pragma once

// lorewright: builds a key information file from its markup source and writes the source of such a
// file again. The source is UTF-8 text, one item a line (line ends LF or CR LF):
//
//   Titel: Kaven Schlüsselinformationen          header lines, "Name: value", in any order
//   Betriebssystem: WinXP                        Win95, Win98, WinME, WinNT, Win2000, WinXP or a number
//   Version: 3
//   Rechte: (C) 2026 ...
//   Reserviert: 00 00 00 00 00 00 00 00          optional, eight bytes in hexadecimal
//   Kategorie: Autostart                         one line per category, in category-number order
//
//   [HKEY_LOCAL_MACHINE\SOFTWARE\...]            a section per key path, root key first
//   Kategorie: Autostart                         its category: a name above, or "#" and the number
//   markup text, any number of lines
//
// The lines of a text are stored joined by CR LF; empty lines before the next section are not part
// of it. A text line that begins with "\" loses that character, so "\[" begins a line with "[" and a
// line holding only "\" is an empty line that is kept. Every character must exist in code page 1252.
// The file groups the sections by root key in the order of its root index and keeps their order
// within a root; the source that dump writes is in that order, so dump of a built file gives the
// source back byte for byte when it was written that way.

#include "info/TInfoClass.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class QIODevice;

namespace Lorewright {

struct Result {
    bool ok = false;
    QString message; // the reason, "Zeile N: ..." where a source line is at fault
};

// The source text into info (entries in source order).
[[nodiscard]] Result parseSource(const QByteArray& source, TInfoClass& info);
// The canonical source of info; fails for texts that a source cannot hold (single line breaks).
[[nodiscard]] Result writeSource(const TInfoClass& info, QByteArray& source);
// The file's bytes: entries grouped by root key, in their order within each root.
[[nodiscard]] QByteArray buildFile(const TInfoClass& info);

// The command line without the program name: "build SOURCE OUT.rgf" or "dump IN.rgf OUT.txt".
// Messages go to err; 0 on success, 1 otherwise.
[[nodiscard]] int run(const QStringList& arguments, QIODevice& err);

} // namespace Lorewright
