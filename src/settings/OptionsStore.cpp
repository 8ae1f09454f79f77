#include "settings/OptionsStore.h"

#include "settings/KavenVariables405.h"
#include "platform/WinReg.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <optional>

namespace {

// One open settings key for one pass; closes itself.
class SettingsKey final {
public:
    SettingsKey(HKEY root, const QString& path, bool create)
    {
        if (create) {
            DWORD disposition = 0;
            m_ok = RegCreateKeyEx(root, path, 0, QString(), 0, KEY_READ | KEY_WRITE, nullptr, &m_key, &disposition) ==
                   ERROR_SUCCESS;
        } else {
            m_ok = RegOpenKeyEx(root, path, 0, KEY_READ, &m_key) == ERROR_SUCCESS;
        }
    }
    ~SettingsKey()
    {
        if (m_ok)
            RegCloseKey(m_key);
    }
    SettingsKey(const SettingsKey&) = delete;
    SettingsKey& operator=(const SettingsKey&) = delete;

    [[nodiscard]] bool ok() const { return m_ok; }

    [[nodiscard]] std::optional<quint32> dword(const QString& name) const
    {
        DWORD type = 0;
        QByteArray data;
        if (RegQueryValueBytes(m_key, name, &type, &data) != ERROR_SUCCESS || type != REG_DWORD || data.size() != 4)
            return std::nullopt;
        const auto* b = reinterpret_cast<const uchar*>(data.constData());
        return quint32(b[0]) | quint32(b[1]) << 8 | quint32(b[2]) << 16 | quint32(b[3]) << 24;
    }
    [[nodiscard]] std::optional<QString> text(const QString& name) const
    {
        DWORD type = 0;
        QByteArray data;
        if (RegQueryValueBytes(m_key, name, &type, &data) != ERROR_SUCCESS || type != REG_SZ)
            return std::nullopt;
        const qsizetype zero = data.indexOf('\0');
        return QString::fromUtf8(zero >= 0 ? data.left(zero) : data);
    }

    // Fixed settings: a missing value yields the default.
    void read(const QString& name, int& v, int def) const { v = int(dword(name).value_or(quint32(def))); }
    void read(const QString& name, quint32& v, quint32 def) const { v = dword(name).value_or(def); }
    void read(const QString& name, bool& v, bool def) const { v = dword(name).value_or(def ? 1 : 0) != 0; }
    void read(const QString& name, QString& v, const QString& def) const { v = text(name).value_or(def); }
    // Layout settings: a missing value keeps what the layout holds.
    void keep(const QString& name, int& v) const
    {
        if (const auto d = dword(name))
            v = int(*d);
    }
    void keep(const QString& name, bool& v) const
    {
        if (const auto d = dword(name))
            v = *d != 0;
    }

    void write(const QString& name, quint32 v) const
    {
        QByteArray data(4, '\0');
        for (int i = 0; i < 4; ++i)
            data[i] = char((v >> (8 * i)) & 0xFF);
        (void)RegSetValueBytes(m_key, name, REG_DWORD, data);
    }
    void write(const QString& name, int v) const { write(name, quint32(v)); }
    void write(const QString& name, bool v) const { write(name, quint32(v ? 1 : 0)); }
    void write(const QString& name, const QString& v) const
    {
        (void)RegSetValueBytes(m_key, name, REG_SZ, v.toUtf8() + '\0');
    }

private:
    HKEY m_key = 0;
    bool m_ok = false;
};

QString columnName(int list, int column)
{
    return QStringLiteral("LV%1ColWidth%2").arg(list).arg(column);
}

// The shipped information file (in "info/" with its source); without a shared data folder of this
// run, the user's folder.
QString infoFileDefault(const QString& userDir)
{
    const QString shared = KavenVariables405::SharedDataDir;
    return shared.isEmpty() ? userDir + QStringLiteral("info.rgf") : shared + QStringLiteral("info/info.rgf");
}

void readMain(const SettingsKey& k, KavenOptions& o, const QString& userDir)
{
    for (auto it = o.columnWidths.begin(); it != o.columnWidths.end(); ++it)
        for (int c = 0; c < it.value().size(); ++c)
            k.keep(columnName(it.key(), c), it.value()[c]);
    k.keep(QStringLiteral("Split"), o.split);
    k.keep(QStringLiteral("ToolsTBLeft"), o.toolsTBLeft);
    k.keep(QStringLiteral("ToolsTBTop"), o.toolsTBTop);
    k.keep(QStringLiteral("NetWorkTBLeft"), o.netWorkTBLeft);
    k.keep(QStringLiteral("NetWorkTBTop"), o.netWorkTBTop);
    k.keep(QStringLiteral("HistoryTBLeft"), o.historyTBLeft);
    k.keep(QStringLiteral("HistoryTBTop"), o.historyTBTop);
    k.read(QStringLiteral("ShowToolsTB"), o.showToolsTB, true);
    k.read(QStringLiteral("ShowNetWorkTB"), o.showNetWorkTB, true);
    k.read(QStringLiteral("ShowHistoryTB"), o.showHistoryTB, true);
    k.read(QStringLiteral("LinkColor"), o.linkColor, 0x008000);
    k.read(QStringLiteral("LinkStyle"), o.linkStyle, 0);
    k.read(QStringLiteral("DataPath"), o.dataPath, QDir::cleanPath(userDir));
    k.read(QStringLiteral("StructPath"), o.structPath, QDir::cleanPath(userDir));
    k.read(QStringLiteral("FavoriteFile"), o.favoriteFile, userDir + QStringLiteral("favorite.fav"));
    k.read(QStringLiteral("InfoFile"), o.infoFile, infoFileDefault(userDir));
    k.read(QStringLiteral("MemoWarn"), o.memoWarn, false);
    k.read(QStringLiteral("MemoFormat"), o.memoFormat, false);
    k.read(QStringLiteral("MaxUndo"), o.maxUndo, 10);
    quint32 rootExport = 0;
    k.read(QStringLiteral("RootExport"), rootExport, 15);
    for (int i = 0; i < 6; ++i)
        o.rootExport[i] = (rootExport & (1u << i)) != 0;
    k.read(QStringLiteral("CompFile"), o.compFile, QString());
    k.read(QStringLiteral("CompFlags"), o.compFlags, 15);
    k.read(QStringLiteral("SearchLineA"), o.searchLineA, QString());
    k.read(QStringLiteral("SearchFlagsA"), o.searchFlagsA, 72);
    k.read(QStringLiteral("SearchCompareFlags"), o.searchCompareFlags, 6);
    k.read(QStringLiteral("SearchLineB"), o.searchLineB, QString());
    k.read(QStringLiteral("SearchFlagsB"), o.searchFlagsB, 1);
    k.read(QStringLiteral("ReplaceLine"), o.replaceLine, QString());
    k.read(QStringLiteral("ReplaceFlags"), o.replaceFlags, 8);
    k.read(QStringLiteral("ReplaceCompareFlags"), o.replaceCompareFlags, 10);
    k.read(QStringLiteral("SearchLineC"), o.searchLineC, QString());
    k.read(QStringLiteral("SearchFlagsC"), o.searchFlagsC, 1);
    k.read(QStringLiteral("ChangeCompareFlags"), o.changeCompareFlags, 6);
    k.read(QStringLiteral("CopyWinShow"), o.copyWinShow, false);
}

void writeMain(const SettingsKey& k, const KavenOptions& o)
{
    for (auto it = o.columnWidths.cbegin(); it != o.columnWidths.cend(); ++it)
        for (int c = 0; c < it.value().size(); ++c)
            k.write(columnName(it.key(), c), it.value()[c]);
    k.write(QStringLiteral("Split"), o.split);
    k.write(QStringLiteral("ToolsTBLeft"), o.toolsTBLeft);
    k.write(QStringLiteral("ToolsTBTop"), o.toolsTBTop);
    k.write(QStringLiteral("NetWorkTBLeft"), o.netWorkTBLeft);
    k.write(QStringLiteral("NetWorkTBTop"), o.netWorkTBTop);
    k.write(QStringLiteral("HistoryTBLeft"), o.historyTBLeft);
    k.write(QStringLiteral("HistoryTBTop"), o.historyTBTop);
    k.write(QStringLiteral("ShowToolsTB"), o.showToolsTB);
    k.write(QStringLiteral("ShowNetWorkTB"), o.showNetWorkTB);
    k.write(QStringLiteral("ShowHistoryTB"), o.showHistoryTB);
    k.write(QStringLiteral("LinkColor"), o.linkColor);
    k.write(QStringLiteral("LinkStyle"), o.linkStyle);
    k.write(QStringLiteral("DataPath"), o.dataPath);
    k.write(QStringLiteral("StructPath"), o.structPath);
    k.write(QStringLiteral("FavoriteFile"), o.favoriteFile);
    k.write(QStringLiteral("InfoFile"), o.infoFile);
    k.write(QStringLiteral("MemoWarn"), o.memoWarn);
    k.write(QStringLiteral("MemoFormat"), o.memoFormat);
    k.write(QStringLiteral("MaxUndo"), o.maxUndo);
    quint32 rootExport = 0;
    for (int i = 0; i < 6; ++i)
        if (o.rootExport[i])
            rootExport |= 1u << i;
    k.write(QStringLiteral("RootExport"), rootExport);
    k.write(QStringLiteral("CompFile"), o.compFile);
    k.write(QStringLiteral("CompFlags"), o.compFlags);
    k.write(QStringLiteral("SearchLineA"), o.searchLineA);
    k.write(QStringLiteral("SearchFlagsA"), o.searchFlagsA);
    k.write(QStringLiteral("SearchCompareFlags"), o.searchCompareFlags);
    k.write(QStringLiteral("SearchLineB"), o.searchLineB);
    k.write(QStringLiteral("SearchFlagsB"), o.searchFlagsB);
    k.write(QStringLiteral("ReplaceLine"), o.replaceLine);
    k.write(QStringLiteral("ReplaceFlags"), o.replaceFlags);
    k.write(QStringLiteral("ReplaceCompareFlags"), o.replaceCompareFlags);
    k.write(QStringLiteral("SearchLineC"), o.searchLineC);
    k.write(QStringLiteral("SearchFlagsC"), o.searchFlagsC);
    k.write(QStringLiteral("ChangeCompareFlags"), o.changeCompareFlags);
    k.write(QStringLiteral("CopyWinShow"), o.copyWinShow);
}

} // namespace

namespace OptionsStore {

QString machineKeyPath()
{
    using namespace KavenVariables405;
    return QStringLiteral("SOFTWARE\\") + CompanyWord + QLatin1Char('\\') + ProductWord + QLatin1Char('\\') + Version;
}

QString settingsKeyPath()
{
    return machineKeyPath() + QStringLiteral("\\Options");
}

QString resolveProgramDirectory()
{
    return QCoreApplication::applicationDirPath() + QLatin1Char('/');
}

QString userDataDirectory()
{
    const QString userDir =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/kaven");
    QDir().mkpath(userDir);
    return userDir + QLatin1Char('/');
}

QString sharedDataDirectory()
{
    const QString installed =
        QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/kaven"));
    if (QFileInfo(installed).isDir())
        return installed + QLatin1Char('/');
#ifdef KAVEN_SOURCE_DATA_DIR
    const QString source = QStringLiteral(KAVEN_SOURCE_DATA_DIR);
    if (QFileInfo(source).isDir())
        return source + QLatin1Char('/');
#endif
    return installed + QLatin1Char('/');
}

void EnsureSettingsKeys()
{
    HKEY key = 0;
    if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, machineKeyPath(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
        RegCloseKey(key);
        return;
    }
    DWORD disposition = 0;
    if (RegCreateKeyEx(HKEY_LOCAL_MACHINE, machineKeyPath(), 0, QString(), 0, KEY_WRITE, nullptr, &key,
                       &disposition) == ERROR_SUCCESS)
        RegCloseKey(key);
    if (RegCreateKeyEx(HKEY_CURRENT_USER, settingsKeyPath(), 0, QString(), 0, KEY_WRITE, nullptr, &key,
                       &disposition) == ERROR_SUCCESS)
        RegCloseKey(key);
}

QString ensureDirectory(const QString& path, const QString& programDir)
{
    const QFileInfo info(path);
    if (info.isDir())
        return path;
    if (!path.isEmpty() && !info.exists() && QDir().mkdir(path))
        return path;
    return programDir;
}

void LoadOptions(KavenOptions& options, const QString& userDir)
{
    EnsureSettingsKeys();
    if (options.dataPath.isEmpty())
        options.dataPath = QDir::cleanPath(userDir);
    if (options.structPath.isEmpty())
        options.structPath = QDir::cleanPath(userDir);
    if (options.favoriteFile.isEmpty())
        options.favoriteFile = userDir + QStringLiteral("favorite.fav");
    if (options.infoFile.isEmpty())
        options.infoFile = infoFileDefault(userDir);
    {
        const SettingsKey key(HKEY_CURRENT_USER, settingsKeyPath(), false);
        if (key.ok())
            readMain(key, options, userDir);
    }
    // The data directory must be known and present before the first list file is read.
    options.dataPath = ensureDirectory(options.dataPath, userDir);
    options.structPath = ensureDirectory(options.structPath, userDir);
}

void SaveOptions(const KavenOptions& options)
{
    EnsureSettingsKeys();
    const SettingsKey key(HKEY_CURRENT_USER, settingsKeyPath(), true);
    if (key.ok())
        writeMain(key, options);
}

void LoadWindowSettings(KavenWindowSettings& s)
{
    const SettingsKey k(HKEY_CURRENT_USER, settingsKeyPath(), false);
    if (!k.ok())
        return;
    k.read(QStringLiteral("WinFlags"), s.winFlags, 0);
    k.read(QStringLiteral("WinShowCmd"), s.winShowCmd, 1);
    k.read(QStringLiteral("WinMinPosX"), s.winMinPosX, 0);
    k.read(QStringLiteral("WinMinPosY"), s.winMinPosY, 0);
    k.read(QStringLiteral("WinMaxPosX"), s.winMaxPosX, 0);
    k.read(QStringLiteral("WinMaxPosY"), s.winMaxPosY, 0);
    k.read(QStringLiteral("WinNormPosLeft"), s.winNormPosLeft, 0);
    k.read(QStringLiteral("WinNormPosTop"), s.winNormPosTop, 0);
    k.read(QStringLiteral("WinNormPosRight"), s.winNormPosRight, 0);
    k.read(QStringLiteral("WinNormPosBottom"), s.winNormPosBottom, 0);
    k.keep(QStringLiteral("SplitV"), s.splitV);
    k.keep(QStringLiteral("SplitH"), s.splitH);
}

void SaveWindowSettings(const KavenWindowSettings& s)
{
    const SettingsKey k(HKEY_CURRENT_USER, settingsKeyPath(), true);
    if (!k.ok())
        return;
    k.write(QStringLiteral("WinFlags"), s.winFlags);
    k.write(QStringLiteral("WinShowCmd"), s.winShowCmd);
    k.write(QStringLiteral("WinMinPosX"), s.winMinPosX);
    k.write(QStringLiteral("WinMinPosY"), s.winMinPosY);
    k.write(QStringLiteral("WinMaxPosX"), s.winMaxPosX);
    k.write(QStringLiteral("WinMaxPosY"), s.winMaxPosY);
    k.write(QStringLiteral("WinNormPosLeft"), s.winNormPosLeft);
    k.write(QStringLiteral("WinNormPosTop"), s.winNormPosTop);
    k.write(QStringLiteral("WinNormPosRight"), s.winNormPosRight);
    k.write(QStringLiteral("WinNormPosBottom"), s.winNormPosBottom);
    k.write(QStringLiteral("SplitV"), s.splitV);
    k.write(QStringLiteral("SplitH"), s.splitH);
}

void LoadCopyWindowSettings(KavenCopyWindowSettings& s)
{
    const SettingsKey k(HKEY_CURRENT_USER, settingsKeyPath(), false);
    if (!k.ok())
        return;
    k.read(QStringLiteral("CopyWinNormPosLeft"), s.left, 50);
    k.read(QStringLiteral("CopyWinNormPosTop"), s.top, 50);
    k.read(QStringLiteral("CopyWinNormPosWidth"), s.width, 550);
    k.read(QStringLiteral("CopyWinNormPosHeight"), s.height, 250);
    for (int c = 0; c < s.columnWidths.size(); ++c)
        k.keep(QStringLiteral("CopyLV1ColWidth%1").arg(c), s.columnWidths[c]);
    k.keep(QStringLiteral("CopySplitV"), s.splitV);
}

void SaveCopyWindowSettings(const KavenCopyWindowSettings& s)
{
    const SettingsKey k(HKEY_CURRENT_USER, settingsKeyPath(), true);
    if (!k.ok())
        return;
    k.write(QStringLiteral("CopyWinNormPosLeft"), s.left);
    k.write(QStringLiteral("CopyWinNormPosTop"), s.top);
    k.write(QStringLiteral("CopyWinNormPosWidth"), s.width);
    k.write(QStringLiteral("CopyWinNormPosHeight"), s.height);
    for (int c = 0; c < s.columnWidths.size(); ++c)
        k.write(QStringLiteral("CopyLV1ColWidth%1").arg(c), s.columnWidths[c]);
    k.write(QStringLiteral("CopySplitV"), s.splitV);
}

} // namespace OptionsStore

KavenOptions& Options()
{
    static KavenOptions options;
    return options;
}

QString DataFile(const QString& fileName)
{
    return QDir(Options().dataPath).filePath(fileName);
}

bool ListFileMayBeWritten(const QString& path)
{
    const QFileInfo file(path);
    if (file.exists())
        return file.isFile() && file.isWritable();
    return QFileInfo(file.absolutePath()).isWritable();
}
