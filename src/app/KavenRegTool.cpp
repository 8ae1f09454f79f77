#include "app/KavenRegTool.h"

#include "app/StoreOptions.h"
#include "app/ToolCommands.h"

#include "platform/StoreLocation.h"
#include "platform/WinReg.h"
#include "platform/wine/WineRegistry.h"
#include "platform/wine/WinePrefix.h"
#include "registry/MessageSink.h"
#include "registry/RegUtils.h"

#include <QFileInfo>
#include <QIODevice>

namespace {

const QString Success = QStringLiteral("Der Vorgang wurde erfolgreich beendet.");

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

} // namespace


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
