#include "app/KavenRegTool.h"

#include "app/StoreOptions.h"
#include "app/ToolCommands.h"

#include "settings/KavenVariables405.h"
#include "platform/StoreLocation.h"
#include "platform/WinReg.h"
#include "platform/wine/WineRegistry.h"
#include "platform/wine/WinePrefix.h"
#include "regfile/RegFileUtils.h"
#include "registry/BranchWalker.h"
#include "registry/MessageSink.h"
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

const QString Success = QStringLiteral("Der Vorgang wurde erfolgreich beendet.");
const QString NotFound = QStringLiteral("Der angegebene Registrierungsschlüssel bzw. Wert wurde nicht gefunden.");
const QString BadKey = QStringLiteral("Ungültiger Schlüsselname.");

// Messages of the registry functions go to the tool's error output; questions are answered No.
class ToolMessageSink final : public MessageSink {
public:
    explicit ToolMessageSink(QIODevice& err) : m_err(err), m_previous(&messageSink()) { setMessageSink(this); }
    ~ToolMessageSink() override { setMessageSink(m_previous); }
    ToolMessageSink(const ToolMessageSink&) = delete;
    ToolMessageSink& operator=(const ToolMessageSink&) = delete;

    MessageAnswer message(MessageKind kind, const QString&, const QString& text) override
    {
        m_err.write((text + QLatin1Char('\n')).toUtf8());
        switch (kind) {
        case MessageKind::YesNo:
        case MessageKind::YesNoCancel:
            return MessageAnswer::No;
        case MessageKind::OkCancel:
            return MessageAnswer::Cancel;
        default:
            return MessageAnswer::Ok;
        }
    }
    QString openFileName(const QString&, const QString&) override { return {}; }
    QString saveFileName(const QString&, const QString&) override { return {}; }

private:
    QIODevice& m_err;
    MessageSink* m_previous;
};

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

KavenRegTool::KavenRegTool(QIODevice& out, QIODevice& err, QIODevice& in, bool interactive)
    : m_out(out), m_err(err), m_io(out, err, in, interactive)
{
}

int KavenRegTool::run(const QStringList& arguments)
{
    ToolMessageSink sink(m_err);
    if (arguments.isEmpty()) {
        printError(QStringLiteral("Kein Befehl angegeben."));
        return usage();
    }
    const QString command = arguments.first().toLower();
    const QStringList args = arguments.mid(1);
    if (command == QLatin1String("export"))
        return exportCommand(args);
    if (command == QLatin1String("import"))
        return importCommand(args);
    if (command == QLatin1String("query"))
        return queryCommand(args);
    if (command == QLatin1String("add"))
        return addCommand(args);
    if (command == QLatin1String("delete"))
        return deleteCommand(args);
    if (const ToolCommand* tool = FindToolCommand(command))
        return tool->run(m_io, args);
    printError(QStringLiteral("Unbekannter Befehl: ") + arguments.first());
    return usage();
}

int KavenRegTool::runWithStore(const QStringList& arguments)
{
    QStringList leading = arguments;
    QString machine;
    if (!takeMachineOption(&leading, &machine))
        return fail(QStringLiteral("Nach --machine fehlt ein Argument."));
    QStringList command;
    if (openStore(leading, m_err, &command, !machine.isEmpty()) != 0)
        return 1;
    if (!machine.isEmpty()) {
        // every command works on the other machine, as the window does once connected to it
        const QString name = machine.startsWith(QLatin1String("\\\\")) ? machine : QStringLiteral("\\\\") + machine;
        HKEY root = 0;
        if (RegConnectRegistry(name, HKEY_LOCAL_MACHINE, &root) != ERROR_SUCCESS) {
            RegShutdown();
            return fail(QStringLiteral("Konnte keine Verbindung mit ") + name + QStringLiteral(" herstellen."));
        }
        RegCloseKey(root);
        CurrentMachine() = name;
    }
    const int rc = run(command);
    CurrentMachine().clear();
    RegShutdown();
    return rc;
}

bool KavenRegTool::takeMachineOption(QStringList* arguments, QString* machine)
{
    // among the options before the command; every other "--" option there takes a value but --write
    for (qsizetype i = 0; i < arguments->size() && arguments->at(i).startsWith(QLatin1String("--")); ++i) {
        const QString& a = arguments->at(i);
        if (a == QLatin1String("--machine")) {
            if (i + 1 >= arguments->size())
                return false;
            *machine = arguments->at(i + 1);
            arguments->remove(i, 2);
            return true;
        }
        if (a != QLatin1String("--write") && !a.contains(QLatin1Char('=')))
            ++i;
    }
    return true;
}

int KavenRegTool::openStore(const QStringList& arguments, QIODevice& err, QStringList* command, bool localOptional)
{
    const auto fail = [&err](const QString& text) {
        err.write((QStringLiteral("Fehler: ") + text + QLatin1Char('\n')).toUtf8());
        return 1;
    };
    RegHiveOptions hives;
    QString winePrefix;
    QStringList rest;
    QString error = splitHiveOptions(arguments, &hives, &winePrefix, &rest);
    if (!error.isEmpty())
        return fail(error);
    const StoreLocation::LeadingOptions options = StoreLocation::splitOptions(rest);
    if (!options.error.isEmpty())
        return fail(options.error);
    const bool onWine = !winePrefix.isEmpty();
    const bool onHives = !hives.hives.isEmpty() || !hives.windowsFolder.isEmpty() || onWine;
    const StoreAccess access = storeAccess(options.rest.value(0));
    const bool changing = access == StoreAccess::ReadWrite && !options.rest.isEmpty();
    if (onWine && changing && !hives.write)
        return fail(QStringLiteral("Die Registrierung des Präfixes ist nur zum Lesen geöffnet (--write erlaubt "
                                   "Änderungen)."));
    if (onWine && changing && WinePrefix::serverRunning(winePrefix))
        return fail(WinePrefix::ServerRunningMessage);
    if (onHives && !hives.write && changing)
        return fail(QStringLiteral("Die Hive-Datei ist nur zum Lesen geöffnet."));
    if (hives.windowsFolder.isEmpty() && !onWine) {
        const QString store = StoreLocation::resolvePath(options.registry);
        // Another computer's registry needs no store here; one that is there opens as always.
        const bool withoutStore = localOptional && !onHives && !QFileInfo::exists(store);
        if (!withoutStore && RegOpenLocalStore(store, &error, access) != ERROR_SUCCESS)
            return fail(error);
    }
    if (onHives) {
        QStringList warnings;
        const LONG opened = onWine ? RegOpenWinePrefix(winePrefix, hives.write, &error, &warnings)
                                   : RegOpenHives(hives, &error, &warnings);
        if (opened != ERROR_SUCCESS) {
            RegShutdown();
            return fail(error);
        }
        for (const QString& warning : std::as_const(warnings))
            err.write((QStringLiteral("Warnung: ") + warning + QLatin1Char('\n')).toUtf8());
    }
    *command = options.rest;
    return 0;
}

StoreAccess KavenRegTool::storeAccess(const QString& command)
{
    const QString c = command.toLower();
    if (const ToolCommand* tool = FindToolCommand(c))
        return tool->access;
    return c == QLatin1String("query") || c == QLatin1String("export") ? StoreAccess::ReadOnly
                                                                      : StoreAccess::ReadWrite;
}

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

bool KavenRegTool::confirm(const QString& question)
{
    return m_io.confirm(question);
}

void KavenRegTool::print(const QString& text)
{
    m_io.print(text);
}

void KavenRegTool::printError(const QString& text)
{
    m_io.printError(text);
}

int KavenRegTool::fail(const QString& text)
{
    printError(text);
    return 1;
}

int KavenRegTool::succeed()
{
    print(Success + QLatin1Char('\n'));
    return 0;
}

int KavenRegTool::usage()
{
    m_err.write(QStringLiteral("Aufruf: kaven-reg [--registry PFAD] [--hive DATEI[:NAME] ... | --windows ORDNER "
                               "[--user NAME] | --wine PRÄFIX] [--write] [--machine \\\\RECHNER] BEFEHL ...\n"
                               "  export SCHLÜSSEL|ALL DATEI [/y] [/5]\n"
                               "  import DATEI\n"
                               "  query SCHLÜSSEL [/v NAME | /ve] [/s]\n"
                               "  add SCHLÜSSEL [/v NAME | /ve] [/t TYP] [/d DATEN] [/f]\n"
                               "  delete SCHLÜSSEL [/v NAME | /ve | /va] [/f]\n")
                    .toUtf8());
    for (const ToolCommand& command : ToolCommands())
        m_err.write(QByteArray("  ") + command.usage + '\n');
    m_err.write(QStringLiteral("SCHLÜSSEL beginnt mit HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE,\n"
                               "HKEY_USERS, HKEY_CURRENT_CONFIG oder HKCR, HKCU, HKLM, HKU, HKCC.\n")
                    .toUtf8());
    return 1;
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
