#include "app/CommandLineImport.h"

#include "platform/StoreLocation.h"
#include "platform/WinReg.h"
#include "regfile/RegFileUtils.h"
#include "registry/Progress.h"
#include "registry/RegMessageUtils.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>

namespace CommandLineImport {

namespace {

const QString SuccessText = QStringLiteral("Registrierungsdatei wurde erfolgreich importiert.");
const QString FailureText = QStringLiteral("Registrierungsdatei konnte nicht vollständig importiert werden.");

// A cancelled import ends quietly, like every cancelled long operation; a failure names its reason.
int report(const RegFileResult& result, bool showSuccess)
{
    if (result.ok && showSuccess)
        ShowInfo(SuccessText);
    if (!result.ok && !result.cancelled)
        ShowError(FailureText + QStringLiteral("\r\n(") + result.text + QLatin1Char(')'));
    return result.ok ? 0 : 1;
}

} // namespace

QString registryFileName(const QString& argument)
{
    if (argument.isEmpty())
        return QString();
    const QFileInfo info(argument);
    const QString name = info.fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString base = dot < 0 ? argument : argument.left(argument.size() - (name.size() - dot));
    const QString fileName = base + QStringLiteral(".reg");
    return QFileInfo(fileName).isFile() ? fileName : QString();
}

std::optional<int> run(const QStringList& arguments, const ProgressFactory& makeProgress)
{
    if (arguments.isEmpty())
        return std::nullopt;
    const QString fileName = registryFileName(arguments.first());
    if (fileName.isEmpty())
        return std::nullopt;
    if (arguments.size() > 1 && arguments[1].toUpper() == QLatin1String("/S")) {
        NullProgress progress;
        return report(ImportRegFileResult(fileName, progress), false);
    }
    if (!AskYesNo(QStringLiteral("Soll Registrierungsdatei ") + QFileInfo(fileName).fileName()
                  + QStringLiteral(" importiert werden?")))
        return 1;
    RegFileResult result;
    {
        const std::unique_ptr<Progress> progress = makeProgress ? makeProgress() : std::make_unique<NullProgress>();
        result = ImportRegFileResult(fileName, *progress);
    }
    return report(result, true);
}

bool displayAvailable()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty())
        return !platform.startsWith("offscreen") && !platform.startsWith("minimal");
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

std::optional<int> runWithoutDisplay(int argc, char* argv[])
{
    if (displayAvailable())
        return std::nullopt;
    QCoreApplication app(argc, argv);
    const QStringList arguments = StoreLocation::withoutRegistryOption(QCoreApplication::arguments()).mid(1);
    if (arguments.isEmpty() || registryFileName(arguments.first()).isEmpty())
        return std::nullopt;
    QString error;
    const QString store = StoreLocation::resolve(QCoreApplication::arguments(), &error);
    if (store.isEmpty() || RegOpenLocalStore(store, &error) != ERROR_SUCCESS) {
        std::fprintf(stderr, "Fehler: %s\n", error.toUtf8().constData());
        return 1;
    }
    const std::optional<int> rc = run(arguments, nullptr);
    RegShutdown();
    return rc;
}

} // namespace CommandLineImport
