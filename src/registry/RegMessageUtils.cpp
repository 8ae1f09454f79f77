#include "registry/RegMessageUtils.h"

#include "settings/KavenVariables405.h"

namespace {

// The commit failures the store answers with, as Windows numbers them.
constexpr LONG DiskFullCode = 112;
constexpr LONG LockTimeoutCode = 1460;

MessageAnswer show(MessageSink& sink, MessageKind kind, const QString& text)
{
    return sink.message(kind, KavenVariables405::ProgramTitle, text);
}

MessageAnswer show(MessageKind kind, const QString& text)
{
    return show(messageSink(), kind, text);
}

} // namespace

void ShowInfo(const QString& text)
{
    show(MessageKind::Info, text);
}

void ShowError(const QString& text)
{
    ShowError(messageSink(), text);
}

void ShowError(MessageSink& sink, const QString& text)
{
    show(sink, MessageKind::Error, QStringLiteral("Fehler: ") + text);
}

void ShowWarning(const QString& text)
{
    show(MessageKind::Warning, QStringLiteral("Warnung: ") + text);
}

bool AskYesNo(const QString& text)
{
    return show(MessageKind::YesNo, text) == MessageAnswer::Yes;
}

MessageAnswer AskYesNoCancel(const QString& text)
{
    return show(MessageKind::YesNoCancel, text);
}

bool AskOkCancel(const QString& text)
{
    return show(MessageKind::OkCancel, text) == MessageAnswer::Ok;
}

void ShowPlain(const QString& text)
{
    show(MessageKind::Plain, text);
}

QString CommitFailureReason(LONG code)
{
    switch (code) {
    case ERROR_SUCCESS:
        return QString();
    case DiskFullCode:
        return QStringLiteral("Der Datenträger ist voll.");
    case ERROR_REGISTRY_IO_FAILED:
        return QStringLiteral("Ein- oder Ausgabefehler beim Schreiben der Registrierung.");
    case ERROR_WRITE_PROTECT:
        return QStringLiteral("Die Hive-Datei ist nur zum Lesen geöffnet.");
    case ERROR_FILE_TOO_LARGE:
        return QStringLiteral("Die Hive-Datei hat eine Version vor 1.4 und kann keine Daten über 16.344 Bytes "
                              "aufnehmen.");
    case LockTimeoutCode:
        return QStringLiteral("Die Registrierung ist von einem anderen Programm gesperrt (Zeitüberschreitung).");
    default:
        return QStringLiteral("Windows-Fehlercode ") + QString::number(code) + QLatin1Char('.');
    }
}

QString WithCommitReason(const QString& text, LONG code)
{
    const QString reason = CommitFailureReason(code);
    return reason.isEmpty() ? text : text + QStringLiteral("\r\n(") + reason + QLatin1Char(')');
}
