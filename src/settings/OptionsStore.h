#pragma once

// The program's settings: values of HKEY_CURRENT_USER\SOFTWARE\Fenmarsh\Kaven\1.0\Options, read once
// when the main window is created and written once when it is destroyed. Between those moments they
// live in the program-wide variables below; dialogs read them when they open and change them on OK.
//
// A value that is missing, or stored with another registry type than its own (or a DWORD of the wrong
// size), counts as missing: fixed settings take their default, layout settings keep the current
// layout's value.

#include <QList>
#include <QMap>
#include <QString>

#include <array>

// The lists whose column widths are kept ("LV" + n + "ColWidth" + c).
enum class SettingsList { Reg = 1, Fav = 2, Search = 3, Changes = 4, Thread = 5 };

struct KavenOptions {
    // Paths (full, set by LoadOptions).
    QString dataPath;
    QString structPath;
    QString favoriteFile;
    QString infoFile;

    bool memoWarn = false;
    bool memoFormat = false;
    int maxUndo = 10;
    // Root-key slots 1..6 taken by an export or analysis of the whole registry.
    std::array<bool, 6> rootExport{true, true, true, true, false, false};
    quint32 linkColor = 0x008000; // Windows colour (0x00BBGGRR): green
    quint32 linkStyle = 0;        // 1 bold, 2 italic, 4 underline

    QString compFile;
    quint32 compFlags = 15;
    QString searchLineA;
    quint32 searchFlagsA = 72;
    quint32 searchCompareFlags = 6;
    QString searchLineB;
    quint32 searchFlagsB = 1;
    QString replaceLine;
    quint32 replaceFlags = 8;
    quint32 replaceCompareFlags = 10;
    QString searchLineC;
    quint32 searchFlagsC = 1;
    quint32 changeCompareFlags = 6;
    bool copyWinShow = false;

    // Layout values: their defaults are whatever the window layout holds when the settings are read.
    QMap<int, QList<int>> columnWidths; // list number -> widths; the size fixes how many are kept
    int split = 80;
    int toolsTBLeft = 0;
    int toolsTBTop = 0;
    int netWorkTBLeft = 0;
    int netWorkTBTop = 0;
    int historyTBLeft = 0;
    int historyTBTop = 0;
    bool showToolsTB = true;
    bool showNetWorkTB = true;
    bool showHistoryTB = true;
};

// Window placement of the main window, the fields of a Windows WINDOWPLACEMENT record.
struct KavenWindowSettings {
    int winFlags = 0;
    int winShowCmd = 1; // 3 = maximized
    int winMinPosX = 0;
    int winMinPosY = 0;
    int winMaxPosX = 0;
    int winMaxPosY = 0;
    int winNormPosLeft = 0;
    int winNormPosTop = 0;
    int winNormPosRight = 0;
    int winNormPosBottom = 0;
    int splitV = 0; // layout default: current tree width
    int splitH = 0; // layout default: current tool page height

    // A first run has no stored rectangle; the layout's own size and position stay.
    [[nodiscard]] bool hasPlacement() const { return winNormPosRight > winNormPosLeft; }
};

struct KavenCopyWindowSettings {
    int left = 50;
    int top = 50;
    int width = 550;
    int height = 250;
    QList<int> columnWidths; // layout defaults
    int splitV = 0;          // layout default
};

namespace OptionsStore {

// "SOFTWARE\Fenmarsh\Kaven\1.0\Options" below HKEY_CURRENT_USER.
[[nodiscard]] QString settingsKeyPath();
// "SOFTWARE\Fenmarsh\Kaven\1.0" below HKEY_LOCAL_MACHINE.
[[nodiscard]] QString machineKeyPath();

// The executable's directory, with trailing "/". Nothing is written there.
[[nodiscard]] QString resolveProgramDirectory();
// The per-user data folder "$XDG_DATA_HOME/kaven/", created when missing: the default data and
// structure directory, and the folder of the default favorites file.
[[nodiscard]] QString userDataDirectory();
// The folder of the files shipped with the program, with trailing "/": "share/kaven" beside the
// installed executable, else the source tree's "data" folder when run from a build.
[[nodiscard]] QString sharedDataDirectory();

// Creates the machine key and the settings key when the machine key cannot be read. Silent.
void EnsureSettingsKeys();
// Reads every main setting into options; the data and structure directories default to userDir, the
// favorites file lies in it, the information file in the shared data folder. Directories are created (one
// level) and fall back to userDir when that fails.
// Without a readable settings key nothing changes but the directories.
void LoadOptions(KavenOptions& options, const QString& userDir);
void SaveOptions(const KavenOptions& options);

void LoadWindowSettings(KavenWindowSettings& settings);
void SaveWindowSettings(const KavenWindowSettings& settings);
void LoadCopyWindowSettings(KavenCopyWindowSettings& settings);
void SaveCopyWindowSettings(const KavenCopyWindowSettings& settings);

// Directory setting: the stored path if it exists or can be created (one level), else programDir.
[[nodiscard]] QString ensureDirectory(const QString& path, const QString& programDir);

} // namespace OptionsStore

// The program-wide settings of this run.
[[nodiscard]] KavenOptions& Options();

// Full name of a list file in the data directory of this run.
[[nodiscard]] QString DataFile(const QString& fileName);

// A list file is written only when its folder is writable and the file, if present, is not read-only;
// otherwise it is silently left alone.
[[nodiscard]] bool ListFileMayBeWritten(const QString& path);
