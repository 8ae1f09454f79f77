#include "app/ToolIo.h"

#include <QIODevice>

ToolIo::ToolIo(QIODevice& out, QIODevice& err, QIODevice& in, bool interactive)
    : m_out(out), m_err(err), m_in(in), m_interactive(interactive)
{
}

void ToolIo::print(const QString& text)
{
    m_out.write(text.toUtf8());
}

void ToolIo::note(const QString& line)
{
    m_err.write((line + QLatin1Char('\n')).toUtf8());
}

void ToolIo::printError(const QString& text)
{
    note(QStringLiteral("Fehler: ") + text);
}

int ToolIo::fail(const QString& text)
{
    printError(text);
    return 1;
}

bool ToolIo::confirm(const QString& question)
{
    if (!m_interactive) {
        printError(QStringLiteral("Ohne Terminal ist keine Rückfrage möglich; mit /f wird ohne Rückfrage "
                                  "ausgeführt."));
        return false;
    }
    print(question + QStringLiteral(" (Ja/Nein)? "));
    const QString answer = QString::fromUtf8(m_in.readLine()).trimmed().toLower();
    const bool yes = answer == QLatin1String("j") || answer == QLatin1String("ja") || answer == QLatin1String("y")
                     || answer == QLatin1String("yes");
    if (!yes)
        print(QStringLiteral("Der Vorgang wurde abgebrochen.\n"));
    return yes;
}
