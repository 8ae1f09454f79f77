#include "registry/RegMessageUtils.h"

#include "settings/KavenVariables405.h"

namespace {

MessageAnswer show(MessageKind kind, const QString& text)
{
    return messageSink().message(kind, KavenVariables405::ProgramTitle, text);
}

} // namespace

void ShowInfo(const QString& text)
{
    show(MessageKind::Info, text);
}

void ShowError(const QString& text)
{
    show(MessageKind::Error, QStringLiteral("Fehler: ") + text);
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
