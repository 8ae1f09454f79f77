#pragma once

// "Suchergebnisse pr&üfen ..": finds values whose names or data name local files or folders that are
// gone. A Windows path is looked up through the drive mapping of the registry's backend (the local
// store sees this machine's files as drive Z:, a Wine prefix the drives of its dosdevices folder), file
// names compared ignoring case as Windows does; %NAME% expands from the registry's environment keys,
// then from the process environment.

#include "search/ResultRun.h"

#include <QHash>
#include <QString>

#include <functional>

class Progress;

class LocalPathResolver final {
public:
    // Drives and environment of the registry of CurrentMachine.
    [[nodiscard]] static LocalPathResolver fromRegistry();

    // Drive letter (upper case) -> local folder; a letter not here is a drive this machine lacks.
    QHash<QChar, QString> drives;
    // Upper-cased variable name -> value, as the registry holds them (the process environment after).
    QHash<QString, QString> variables;

    // %NAME% replaced by its value; an unknown name stays as written.
    [[nodiscard]] QString expand(const QString& text) const;
    // Whether the Windows path ("C:\dir\file") names an existing file or folder.
    [[nodiscard]] bool exists(const QString& windowsPath) const;
};

struct PathValidity {
    bool valid = false;
    QString path; // the part that was tested last: what was found, or what is missing
};

// Quotes, program switches and lists separated by blanks, commas and semicolons are taken apart as in
// IsValidLocalPath's comment in PathCheck.cpp. A text without ":\" that does not begin with "%" is no
// path and not valid.
[[nodiscard]] PathValidity IsValidLocalPath(const QString& text, const LocalPathResolver& resolver);

// onInvalid gets the text that failed and the part found missing; false ends the check.
using InvalidPathHandler = std::function<bool(const QString& text, const QString& missing)>;

// The value name, then (if the check goes on) the data; only texts that contain ":\" or begin with "%"
// take part. False: stop.
[[nodiscard]] bool CheckRowTexts(const QString& valueName, const QString& dataText,
                                 const LocalPathResolver& resolver, const InvalidPathHandler& onInvalid);

enum class CheckStatus { Finished, Aborted }; // "beendet", "wurde abgebrochen"
[[nodiscard]] QString CheckStatusText(CheckStatus status);

// The value rows (the marked ones, when any is marked) from the first to the last; DWORD values and
// values that cannot be read are passed over. onInvalid gets the row's index too.
[[nodiscard]] CheckStatus CheckResults(const SearchResultList& list, const LocalPathResolver& resolver,
                                       Progress& progress,
                                       const std::function<bool(int row, const QString& text, const QString& missing)>&
                                           onInvalid);
