// The commands kaven-reg has always had (export, import, query, add, delete) and the parsing of their
// arguments; the commands of the subsystems are in their own folders (see ToolCommands).

#include "app/KavenRegTool.h"

#include "settings/KavenVariables405.h"
#include "platform/WinReg.h"
#include "regfile/RegFileUtils.h"
#include "registry/BranchWalker.h"
#include "registry/Progress.h"
#include "registry/RegKeyUtils.h"
#include "registry/RegMessageUtils.h"
#include "registry/RegUtils.h"
#include "registry/RegValueUtils.h"
#include "registry/RegistryAccessor.h"

#include <QCollator>
#include <QFileInfo>
#include <QIODevice>
#include <QLocale>

#include <algorithm>

namespace {

const QString NotFound = QStringLiteral("Der angegebene Registrierungsschlüssel bzw. Wert wurde nicht gefunden.");
const QString BadKey = QStringLiteral("Ungültiger Schlüsselname.");

// Switches are the known short words after "/" or "-"; anything else (such as "/home/a.reg") is an
// argument.
bool isSwitch(const QString& arg)
{
    static const QStringList known{"v", "ve", "va", "s", "t", "d", "f", "y", "5"};
    return arg.size() >= 2 && (arg.startsWith(u'/') || arg.startsWith(u'-')) && known.contains(arg.mid(1).toLower());
}

// Unsigned number in decimal or with "0x" in hexadecimal, at most max.
bool parseNumber(const QString& text, quint64 max, quint64* value)
{
    bool ok = false;
    const QString t = text.trimmed();
    *value = t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ? t.mid(2).toULongLong(&ok, 16)
                                                                     : t.toULongLong(&ok, 10);
    return ok && *value <= max;
}

QByteArray littleEndian(quint64 value, int size)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char((value >> (8 * i)) & 0xFF);
    return bytes;
}

QString valueLine(const QString& name, DWORD type, const QByteArray& data)
{
    TRegValue value;
    const QString text = ValueFromBytes(type, data, value) ? ValueDataText(value) : QString();
    return QStringLiteral("    ") + (name.isEmpty() ? DefaultValueCaption : name) + QStringLiteral("    ")
           + TypeNameOfCode(type) + QStringLiteral("    ") + text;
}

QStringList sortedSubKeys(HKEY key)
{
    QStringList names;
    QString name;
    for (DWORD i = 0; RegEnumKey(key, i, &name, MAX_KEY_NAME + 1) == ERROR_SUCCESS; ++i)
        names.append(name);
    QCollator collator{QLocale()};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(names.begin(), names.end(),
                     [&collator](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
    return names;
}

// Prints the keys of a query as the walk visits them: each key's path and its values (all of them, or
// the one asked for with /v or /ve). Without /s only the first key is printed.
class QueryPrinter final : public BranchVisitor {
public:
    QueryPrinter(QIODevice& out, const QString& valueName, bool filtered, bool recursive)
        : m_out(out), m_valueName(valueName), m_filtered(filtered), m_recursive(recursive)
    {
    }

    WalkStep visitKey(const WalkKey& key) override
    {
        if (!m_filtered) {
            print(QLatin1Char('\n') + key.path + QLatin1Char('\n'));
        } else {
            DWORD type = 0;
            QByteArray data;
            if (RegQueryValueBytes(key.handle, m_valueName, &type, &data) == ERROR_SUCCESS) {
                m_anyMatch = true;
                print(QLatin1Char('\n') + key.path + QLatin1Char('\n') + valueLine(m_valueName, type, data) + u'\n');
            } else if (m_valueName.isEmpty() && !m_recursive) {
                print(QLatin1Char('\n') + key.path + QStringLiteral("\n    ") + DefaultValueCaption
                      + QStringLiteral("    REG_SZ    ") + ValueNotSetText + u'\n');
            }
        }
        return m_recursive ? WalkStep::Continue : WalkStep::SkipSubtree;
    }

    WalkStep visitValue(const WalkKey&, const WalkValue& value) override
    {
        print(valueLine(value.name, value.type, value.data) + u'\n');
        return WalkStep::Continue;
    }

    [[nodiscard]] bool anyMatch() const { return m_anyMatch; }

private:
    void print(const QString& text) { m_out.write(text.toUtf8()); }

    QIODevice& m_out;
    QString m_valueName;
    bool m_filtered;
    bool m_recursive;
    bool m_anyMatch = false;
};

} // namespace

struct KavenRegTool::Options {
    QStringList positional;
    bool hasValueName = false;
    QString valueName;
    bool defaultValue = false; // /ve
    bool allValues = false;    // /va
    bool recursive = false;    // /s
    bool force = false;        // /f or /y
    bool version5 = false;     // /5: registry file in version 5
    bool hasType = false;
    QString type;
    bool hasData = false;
    QString data;
};

QString KavenRegTool::normalizeKeyPath(const QString& key)
{
    QString path = ExcludeTrailingBackslash(key.trimmed());
    const qsizetype slash = path.indexOf(u'\\');
    const QString root = (slash < 0 ? path : path.left(slash)).toUpper();
    static const QList<QPair<QString, QString>> shortNames{
        {QStringLiteral("HKCR"), QStringLiteral("HKEY_CLASSES_ROOT")},
        {QStringLiteral("HKCU"), QStringLiteral("HKEY_CURRENT_USER")},
        {QStringLiteral("HKLM"), QStringLiteral("HKEY_LOCAL_MACHINE")},
        {QStringLiteral("HKU"), QStringLiteral("HKEY_USERS")},
        {QStringLiteral("HKCC"), QStringLiteral("HKEY_CURRENT_CONFIG")},
    };
    QString full = root;
    for (const auto& [shortName, longName] : shortNames) {
        if (root == shortName)
            full = longName;
    }
    if (full.isEmpty() || GetRootKey(full) == 0)
        return QString();
    return slash < 0 ? GetRootKeyName(full) : GetRootKeyName(full) + path.mid(slash);
}

DWORD KavenRegTool::rootExportSetting()
{
    using namespace KavenVariables405;
    const QString options = QStringLiteral("SOFTWARE\\%1\\%2\\%3\\Options").arg(CompanyWord, ProductWord, Version);
    HKEY key = 0;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, options, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return RootExportDefault;
    DWORD type = 0;
    QByteArray data;
    const bool ok = RegQueryValueBytes(key, QStringLiteral("RootExport"), &type, &data) == ERROR_SUCCESS;
    RegCloseKey(key);
    if (!ok || type != REG_DWORD || data.size() != 4)
        return RootExportDefault;
    return DWORD(quint8(data[0])) | DWORD(quint8(data[1])) << 8 | DWORD(quint8(data[2])) << 16
           | DWORD(quint8(data[3])) << 24;
}

bool KavenRegTool::dataForType(const QString& typeName, const QString& data, DWORD* type, QByteArray* bytes)
{
    const QString t = typeName.toUpper();
    quint64 number = 0;
    if (t == QLatin1String("REG_SZ") || t == QLatin1String("REG_EXPAND_SZ")) {
        *type = t == QLatin1String("REG_SZ") ? REG_SZ : REG_EXPAND_SZ;
        *bytes = data.toUtf8() + QByteArray(1, '\0');
        return true;
    }
    if (t == QLatin1String("REG_MULTI_SZ")) {
        *type = REG_MULTI_SZ;
        bytes->clear();
        for (const QString& item : data.split(QStringLiteral("\\0")))
            *bytes += item.toUtf8() + QByteArray(1, '\0');
        bytes->append('\0');
        return true;
    }
    if (t == QLatin1String("REG_DWORD")) {
        *type = REG_DWORD;
        *bytes = littleEndian(number, 4);
        if (!parseNumber(data, 0xFFFFFFFFu, &number))
            return false;
        *bytes = littleEndian(number, 4);
        return true;
    }
    if (t == QLatin1String("REG_QWORD")) {
        *type = REG_QWORD;
        if (!parseNumber(data, ~quint64(0), &number))
            return false;
        *bytes = littleEndian(number, 8);
        return true;
    }
    if (t == QLatin1String("REG_BINARY") || t == QLatin1String("REG_NONE")) {
        *type = t == QLatin1String("REG_BINARY") ? REG_BINARY : REG_NONE;
        const QByteArray hex = data.trimmed().toLatin1();
        if (hex.size() % 2 != 0
            || !std::all_of(hex.begin(), hex.end(), [](char c) { return std::isxdigit(uchar(c)) != 0; }))
            return false;
        *bytes = QByteArray::fromHex(hex);
        return true;
    }
    return false;
}

bool KavenRegTool::parseOptions(const QStringList& args, int positional, const QString& allowed, Options* o)
{
    const QStringList allowedSwitches = allowed.split(u' ', Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (!isSwitch(arg)) {
            o->positional.append(arg);
            continue;
        }
        const QString s = QLatin1Char('/') + arg.mid(1).toLower();
        if (!allowedSwitches.contains(s)) {
            printError(QStringLiteral("Ungültiger Parameter: ") + arg);
            return false;
        }
        const bool takesArgument = s == QLatin1String("/v") || s == QLatin1String("/t") || s == QLatin1String("/d");
        if (takesArgument && i + 1 >= args.size()) {
            printError(QStringLiteral("Parameter ohne Wert: ") + arg);
            return false;
        }
        if (s == QLatin1String("/v")) {
            o->hasValueName = true;
            o->valueName = args[++i];
        } else if (s == QLatin1String("/t")) {
            o->hasType = true;
            o->type = args[++i];
        } else if (s == QLatin1String("/d")) {
            o->hasData = true;
            o->data = args[++i];
        } else if (s == QLatin1String("/ve")) {
            o->defaultValue = true;
        } else if (s == QLatin1String("/va")) {
            o->allValues = true;
        } else if (s == QLatin1String("/s")) {
            o->recursive = true;
        } else if (s == QLatin1String("/5")) {
            o->version5 = true;
        } else {
            o->force = true; // /f, /y
        }
    }
    if (int(o->hasValueName) + int(o->defaultValue) + int(o->allValues) > 1) {
        printError(QStringLiteral("/v, /ve und /va schließen einander aus."));
        return false;
    }
    if (o->positional.size() != positional) {
        printError(QStringLiteral("Falsche Anzahl von Argumenten."));
        return false;
    }
    return true;
}

int KavenRegTool::exportCommand(const QStringList& args)
{
    Options o;
    if (!parseOptions(args, 2, QStringLiteral("/y /5"), &o))
        return usage();
    QString path;
    DWORD rootExport = RootExportDefault;
    if (o.positional[0].compare(QLatin1String("ALL"), Qt::CaseInsensitive) == 0) {
        UpdateRootKeys();
        rootExport = rootExportSetting();
    } else {
        path = normalizeKeyPath(o.positional[0]);
        if (path.isEmpty())
            return fail(BadKey);
        if (!KeyExists(path))
            return fail(NotFound);
    }
    const QString& file = o.positional[1];
    if (QFileInfo::exists(file) && !o.force
        && !confirm(QStringLiteral("Die Datei ") + file + QStringLiteral(" existiert bereits. Überschreiben")))
        return 1;
    NullProgress progress;
    const RegFileFormat format = o.version5 ? RegFileFormat::Version5 : RegFileFormat::Regedit4;
    QStringList lostTypes;
    const RegFileResult result = ExportRegFileResult(file, path, progress, rootExport, format, &lostTypes);
    if (!result.ok)
        return fail(result.describe());
    // The file is what REGEDIT4 can hold; the note only tells what it could not.
    if (!lostTypes.isEmpty())
        m_io.note(QStringLiteral("Warnung: ")
                  + LostTypesMessage(lostTypes, QStringLiteral("Mit /5 wird die Datei im Format Version 5 "
                                                               "geschrieben, das den Typ bewahrt.")));
    return succeed();
}

int KavenRegTool::importCommand(const QStringList& args)
{
    Options o;
    if (!parseOptions(args, 1, QString(), &o))
        return usage();
    NullProgress progress;
    const RegFileResult result = ImportRegFileResult(o.positional[0], progress);
    if (result.ok) {
        print(QStringLiteral("Registrierungsdatei wurde erfolgreich importiert.\n"));
        return 0;
    }
    return fail(QStringLiteral("Registrierungsdatei konnte nicht vollständig importiert werden.\n(") + result.describe()
                + u')');
}

int KavenRegTool::queryCommand(const QStringList& args)
{
    Options o;
    if (!parseOptions(args, 1, QStringLiteral("/v /ve /s"), &o))
        return usage();
    const QString path = normalizeKeyPath(o.positional[0]);
    if (path.isEmpty())
        return fail(BadKey);
    if (!KeyExists(path))
        return fail(NotFound);
    const bool filtered = o.hasValueName || o.defaultValue;
    QueryPrinter printer(m_out, o.defaultValue ? QString() : o.valueName, filtered, o.recursive);
    NullProgress progress;
    BranchWalker walker(progress, BranchWalker::Options{!filtered, KEY_READ});
    const WalkResult walk = walker.walk(path, printer);
    if (!walk.ok())
        return fail(walk.text);
    if (o.hasValueName && !printer.anyMatch())
        return fail(NotFound);
    if (!o.recursive && !filtered) {
        RegistryAccessor reg(KEY_READ);
        if (reg.openPath(path, false, true) != RegResult::Success)
            return fail(NotFound);
        const QStringList subKeys = sortedSubKeys(reg.currentKey());
        if (!subKeys.isEmpty())
            print(QStringLiteral("\n"));
        for (const QString& sub : subKeys)
            print(path + QLatin1Char('\\') + sub + QLatin1Char('\n'));
    }
    return 0;
}

int KavenRegTool::addCommand(const QStringList& args)
{
    Options o;
    if (!parseOptions(args, 1, QStringLiteral("/v /ve /t /d /f"), &o) || o.allValues)
        return usage();
    const QString path = normalizeKeyPath(o.positional[0]);
    if (path.isEmpty())
        return fail(BadKey);
    DWORD type = REG_SZ;
    QByteArray bytes;
    const QString typeName = o.hasType ? o.type : QStringLiteral("REG_SZ");
    if (!dataForType(typeName, o.data, &type, &bytes))
        return fail(QStringLiteral("Ungültiger Typ oder ungültige Daten: ") + typeName);
    RegistryAccessor reg(KEY_READ | KEY_WRITE);
    const RegResult opened = reg.openPath(path, true, true);
    if (opened == RegResult::NotConnected)
        return 1;
    if (opened != RegResult::Success)
        return fail(QStringLiteral("Konnte Schlüssel nicht erstellen."));
    // Type or data without a value name set the default value, as "reg add" does.
    const bool writesValue = o.hasValueName || o.defaultValue || o.hasType || o.hasData;
    if (!writesValue)
        return succeed();
    const QString name = o.hasValueName ? o.valueName : QString();
    if (ValueExists(reg.currentKey(), name) && !o.force
        && !confirm(QStringLiteral("Der Wert ") + (name.isEmpty() ? DefaultValueCaption : name)
                    + QStringLiteral(" existiert bereits. Überschreiben")))
        return 1;
    const LONG set = RegSetValueBytes(reg.currentKey(), name, type, bytes);
    if (set != ERROR_SUCCESS) // a hive's refusal says why
        return fail(WithCommitReason(QStringLiteral("Datenwert konnte nicht erstellt werden."),
                                     set == ERROR_FILE_TOO_LARGE ? set : ERROR_SUCCESS));
    return succeed();
}

int KavenRegTool::deleteCommand(const QStringList& args)
{
    Options o;
    if (!parseOptions(args, 1, QStringLiteral("/v /ve /va /f"), &o))
        return usage();
    const QString path = normalizeKeyPath(o.positional[0]);
    if (path.isEmpty())
        return fail(BadKey);
    RegistryAccessor reg(KEY_READ | KEY_WRITE);
    const RegResult opened = reg.openPath(path, false, true);
    if (opened == RegResult::NotConnected)
        return 1;
    if (opened != RegResult::Success)
        return KeyExists(path) ? fail(QStringLiteral("Zugriff verweigert.")) : fail(NotFound);
    const HKEY key = reg.currentKey();
    if (o.hasValueName || o.defaultValue) {
        const QString name = o.defaultValue ? QString() : o.valueName;
        if (!ValueExists(key, name))
            return fail(NotFound);
        if (!o.force && !confirm(QStringLiteral("Registrierungswert ") + (name.isEmpty() ? DefaultValueCaption : name)
                                 + QStringLiteral(" endgültig löschen")))
            return 1;
        return RegDeleteValue(key, name) == ERROR_SUCCESS ? succeed()
                                                          : fail(QStringLiteral("Wert konnte nicht gelöscht werden."));
    }
    if (o.allValues) {
        if (!o.force && !confirm(QStringLiteral("Alle Werte unter ") + path + QStringLiteral(" endgültig löschen")))
            return 1;
        QStringList names;
        QString name;
        for (DWORD i = 0; RegEnumValueBytes(key, i, &name, MAX_VALUE_NAME + 1, nullptr, nullptr) == ERROR_SUCCESS; ++i)
            names.append(name);
        for (const QString& n : names) {
            if (RegDeleteValue(key, n) != ERROR_SUCCESS)
                return fail(QStringLiteral("Wert konnte nicht gelöscht werden."));
        }
        return succeed();
    }
    reg.closeKey();
    if (GetSubKeyPath(path).isEmpty())
        return fail(QStringLiteral("Ein Stammschlüssel kann nicht gelöscht werden."));
    if (!o.force && !confirm(QStringLiteral("Registrierungsschlüssel ") + path + QStringLiteral(" endgültig löschen")))
        return 1;
    return DeleteKeyPath(path, true) == RegResult::Success ? succeed() : 1;
}
