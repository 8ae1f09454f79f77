#pragma once

// The command-line tool for scripts and servers: export, import, query, add and delete, in the manner
// of the Windows "reg" command, with German texts. Exit status 0 on success, 1 on failure. Questions
// (overwrite, delete) are asked on the terminal; without a terminal they are refused, so that nothing
// is changed without consent unless /f or /y says so.

#include "app/ToolIo.h"
#include "platform/WinReg.h"
#include "platform/WinTypes.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class QIODevice;

class KavenRegTool final {
public:
    // out and err receive UTF-8 text; answers are read from in when interactive.
    KavenRegTool(QIODevice& out, QIODevice& err, QIODevice& in, bool interactive);
    KavenRegTool(const KavenRegTool&) = delete;
    KavenRegTool& operator=(const KavenRegTool&) = delete;

    // arguments: the command and its arguments (program name and "--registry PATH" removed).
    [[nodiscard]] int run(const QStringList& arguments);
    // The whole command line without the program name: the options before the command, the store they
    // name opened (read-only for the commands that only read), then the command. Closes the store.
    [[nodiscard]] int runWithStore(const QStringList& arguments);
    // The store options before the command (--registry, --hive, --windows, --user, --write): the
    // store they name opened for the command's access, the command and its arguments into *command.
    // 0, or 1 with the reason written to err. Shared by every program that takes these options.
    [[nodiscard]] static int openStore(const QStringList& arguments, QIODevice& err, QStringList* command,
                                       bool localOptional = false);
    // Takes "--machine NAME" from the options before the command; false when NAME is missing.
    [[nodiscard]] static bool takeMachineOption(QStringList* arguments, QString* machine);
    // How the command uses the store: query and export only read it.
    [[nodiscard]] static StoreAccess storeAccess(const QString& command);

    // "HKLM\Software\" -> "HKEY_LOCAL_MACHINE\Software"; empty when the root key is not known.
    [[nodiscard]] static QString normalizeKeyPath(const QString& key);
    // The "RootExport" setting of the program's options key; 15 when missing or not a DWORD.
    [[nodiscard]] static DWORD rootExportSetting();
    // Data of "add" for a type name ("REG_SZ" ...): false when the type or the data is not valid.
    [[nodiscard]] static bool dataForType(const QString& typeName, const QString& data, DWORD* type,
                                          QByteArray* bytes);

private:
    struct Options;

    [[nodiscard]] int exportCommand(const QStringList& args);
    [[nodiscard]] int importCommand(const QStringList& args);
    [[nodiscard]] int queryCommand(const QStringList& args);
    [[nodiscard]] int addCommand(const QStringList& args);
    [[nodiscard]] int deleteCommand(const QStringList& args);

    [[nodiscard]] bool parseOptions(const QStringList& args, int positional, const QString& allowed, Options* o);
    [[nodiscard]] bool confirm(const QString& question);
    [[nodiscard]] int fail(const QString& text);
    [[nodiscard]] int succeed();
    void print(const QString& text);
    void printError(const QString& text);
    [[nodiscard]] int usage();

    QIODevice& m_out;
    QIODevice& m_err;
    ToolIo m_io;
};
