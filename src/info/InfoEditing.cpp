#include "info/InfoEditing.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>

namespace InfoEditing {

QString sourcePath(const QString& infoFile)
{
    const QFileInfo info(infoFile);
    return info.path() + QLatin1Char('/') + info.completeBaseName() + QStringLiteral(".txt");
}

QString lorewrightPath()
{
    const QFileInfo program(QCoreApplication::applicationDirPath() + QStringLiteral("/lorewright"));
    return program.isFile() && program.isExecutable() ? program.filePath() : QString();
}

RunResult runLorewright(const QString& program, const QStringList& arguments)
{
    RunResult result;
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.start();
    result.started = process.waitForStarted();
    if (!result.started)
        return result;
    // A build of a large source takes well under a second; a hung tool must not hold the window forever.
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.messages = QString::fromUtf8(process.readAllStandardError()).trimmed();
    return result;
}

} // namespace InfoEditing
