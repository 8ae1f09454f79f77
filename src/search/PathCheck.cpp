#include "search/PathCheck.h"

#include "platform/WinCase.h"
#include "registry/Progress.h"
#include "registry/RegUtils.h"
#include "registry/RegValueUtils.h"

#include <QDir>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QUtf8StringView>

#include <algorithm>

namespace {

const QString DriveSeparator = QStringLiteral(":\\");

void readVariables(const QString& keyPath, QHash<QString, QString>& into)
{
    RegistryAccessor reg(KEY_READ);
    if (reg.openPath(keyPath, false, false) != RegResult::Success)
        return;
    for (const QString& name : reg.valueNames()) {
        TRegValue value;
        if (!ReadValue(reg.currentKey(), name, value) || into.contains(winUpper(name)))
            continue;
        if (value.DataType == REG_SZ)
            into.insert(winUpper(name), value.StringData);
        else if (value.DataType == REG_EXPAND_SZ)
            into.insert(winUpper(name), QString::fromUtf8(value.BinaryData.left(value.BinaryData.indexOf('\0'))));
    }
}

// Windows finds "C:\WINDOWS\notepad.exe" as "C:\Windows\NOTEPAD.EXE"; the names are looked up one by
// one when the path as written does not exist.
bool existsIgnoringCase(const QString& folder, const QStringList& names)
{
    QString path = folder;
    for (const QString& name : names) {
        const QString exact = QDir(path).filePath(name);
        if (QFileInfo::exists(exact)) {
            path = exact;
            continue;
        }
        const QStringList entries = QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::System);
        const auto match = std::find_if(entries.begin(), entries.end(),
                                        [&](const QString& entry) { return winEqualsNoCase(entry, name); });
        if (match == entries.end())
            return false;
        path = QDir(path).filePath(*match);
    }
    return true;
}

bool startsAsQuoted(const QString& t)
{
    return t.startsWith(u'"') || t.startsWith(u'\'');
}

class PathTester final {
public:
    explicit PathTester(const LocalPathResolver& r) : m_r(r) {}

    PathValidity test(const QString& t)
    {
        if (m_r.exists(t))
            return {true, t};
        if (startsAsQuoted(t)) {
            const qsizetype close = t.indexOf(t.front(), 1);
            const QString part = close < 0 ? t.mid(1) : t.mid(1, close - 1);
            return {m_r.exists(part), part};
        }
        for (const QChar separator : {u' ', u',', u';'}) {
            for (qsizetype pos = t.lastIndexOf(separator); pos > 0; pos = t.lastIndexOf(separator, pos - 1)) {
                const QString after = t.mid(pos + 1).trimmed();
                const QString before = t.left(pos).trimmed();
                const bool beforeIsPath = before.contains(DriveSeparator) || startsAsQuoted(before);
                if (after.contains(DriveSeparator)) {
                    const PathValidity a = cached(after);
                    if (!a.valid)
                        return a;
                    // "rundll32.exe C:\x.dll,Entry": a program without a path before a valid one
                    if (!beforeIsPath)
                        return a;
                }
                if (beforeIsPath && m_r.exists(before))
                    return {true, before};
            }
        }
        return {false, t};
    }

private:
    // Tails of the text are tested again for every separator before them; each is tested once.
    PathValidity cached(const QString& tail)
    {
        const auto it = m_tails.constFind(tail);
        if (it != m_tails.constEnd())
            return *it;
        const PathValidity v = test(tail);
        m_tails.insert(tail, v);
        return v;
    }

    const LocalPathResolver& m_r;
    QHash<QString, PathValidity> m_tails;
};

QString dataTextOf(const TRegValue& value)
{
    if (value.DataType == REG_SZ)
        return value.StringData;
    const qsizetype end = value.BinaryData.indexOf('\0');
    const QByteArray bytes = end < 0 ? value.BinaryData : value.BinaryData.left(end);
    return QUtf8StringView(bytes).isValidUtf8() ? QString::fromUtf8(bytes) : QString::fromLatin1(bytes);
}

} // namespace

LocalPathResolver LocalPathResolver::fromRegistry()
{
    LocalPathResolver r;
    RegistryAccessor reg(KEY_READ);
    if (ConnectRootKey(reg, HKEY_LOCAL_MACHINE, false)) {
        for (char16_t letter = u'A'; letter <= u'Z'; ++letter) {
            const QString folder = RegDriveFolder(reg.rootKey(), QChar(letter));
            if (!folder.isEmpty())
                r.drives.insert(QChar(letter), folder);
        }
    }
    readVariables(QStringLiteral("HKEY_CURRENT_USER\\Environment"), r.variables);
    readVariables(
        QStringLiteral("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment"),
        r.variables);
    const QProcessEnvironment process = QProcessEnvironment::systemEnvironment();
    for (const QString& name : process.keys()) {
        if (!r.variables.contains(winUpper(name)))
            r.variables.insert(winUpper(name), process.value(name));
    }
    return r;
}

QString LocalPathResolver::expand(const QString& text) const
{
    // Values may refer to further variables (%USERPROFILE% in %TEMP%); a few rounds settle them.
    QString t = text;
    for (int round = 0; round < 8; ++round) {
        QString out;
        qsizetype from = 0;
        for (;;) {
            const qsizetype open = t.indexOf(u'%', from);
            const qsizetype close = open < 0 ? -1 : t.indexOf(u'%', open + 1);
            if (close < 0)
                break;
            const auto value = variables.constFind(winUpper(t.mid(open + 1, close - open - 1)));
            const bool known = close > open + 1 && value != variables.constEnd();
            out += QStringView(t).mid(from, open - from);
            out += known ? *value : t.mid(open, close - open);
            from = known ? close + 1 : close;
        }
        out += QStringView(t).mid(from);
        if (out == t)
            break;
        t = out;
    }
    return t;
}

bool LocalPathResolver::exists(const QString& windowsPath) const
{
    const QString t = windowsPath.trimmed();
    const bool drivePath = t.size() >= 2 && t[1] == u':' && (t.size() == 2 || t[2] == u'\\');
    if (!drivePath)
        return false;
    const QString folder = drives.value(t[0].toUpper());
    if (folder.isEmpty())
        return false;
    return existsIgnoringCase(folder, t.mid(2).split(QRegularExpression(QStringLiteral("[\\\\/]")),
                                                     Qt::SkipEmptyParts));
}

// 1. Blanks around and one trailing backslash go; a text without ":\" that does not begin with "%" is
//    no path. 2. %NAME% is expanded. 3. The whole text naming a file or folder is valid. 4. A quoted
//    beginning: the part up to the closing quote is tested. 5. For the blank, then the comma, then the
//    semicolon, each from the right: the part after it, when it holds ":\", is tested the same way
//    first (not valid: the whole text is not), then the part before it. A valid part after a program
//    named without its path ("rundll32.exe C:\x.dll,Entry") makes the text valid.
PathValidity IsValidLocalPath(const QString& text, const LocalPathResolver& resolver)
{
    QString t = text.trimmed();
    if (t.endsWith(u'\\'))
        t.chop(1);
    t = t.trimmed();
    if (!t.contains(DriveSeparator) && !t.startsWith(u'%'))
        return {false, t};
    return PathTester(resolver).test(resolver.expand(t));
}

bool CheckRowTexts(const QString& valueName, const QString& dataText, const LocalPathResolver& resolver,
                   const InvalidPathHandler& onInvalid)
{
    for (const QString& text : {valueName, dataText}) {
        if (!text.contains(DriveSeparator) && !text.startsWith(u'%'))
            continue;
        const PathValidity v = IsValidLocalPath(text, resolver);
        if (!v.valid && !onInvalid(text, v.path))
            return false;
    }
    return true;
}

QString CheckStatusText(CheckStatus status)
{
    return status == CheckStatus::Finished ? QStringLiteral("beendet") : QStringLiteral("wurde abgebrochen");
}

CheckStatus CheckResults(const SearchResultList& list, const LocalPathResolver& resolver, Progress& progress,
                         const std::function<bool(int, const QString&, const QString&)>& onInvalid)
{
    const bool onlyMarked = list.selectedCount() > 0;
    RegistryAccessor reg(KEY_READ);
    progress.clearAbort();
    for (int i = 0; i < list.size(); ++i) {
        const ResultRow& row = list.rows()[size_t(i)];
        if ((onlyMarked && !row.selected) || row.isKeyRow())
            continue;
        progress.step();
        if (progress.abortRequested())
            break;
        const HKEY root = GetRootKey(row.keyPath);
        if (root == 0 || !ConnectRootKey(reg, root, true))
            return CheckStatus::Aborted;
        TRegValue value;
        if (!reg.openKey(QStringLiteral("\\") + GetSubKeyPath(row.keyPath), false)
            || !ReadValue(reg.currentKey(), RowValueName(row), value) || value.DataType == REG_DWORD)
            continue;
        const bool goOn = CheckRowTexts(row.valueName, dataTextOf(value), resolver,
                                        [&](const QString& text, const QString& missing) {
                                            return onInvalid(i, text, missing);
                                        });
        reg.closeKey();
        if (!goOn)
            break;
    }
    return CheckStatus::Finished;
}
