#pragma once

// kaven-reg run in the test's process, non-interactive, with its output captured.

#include "app/KavenRegTool.h"

#include <QBuffer>
#include <QString>
#include <QStringList>

struct ToolRun {
    int rc = -1;
    QString out; // standard output: the results
    QString err; // standard error: the messages
};

// Runs one command line (command name first) with nothing on standard input.
inline ToolRun runTool(const QStringList& args)
{
    QBuffer out, err, in;
    for (QBuffer* buffer : {&out, &err, &in})
        buffer->open(QIODevice::ReadWrite);
    const int rc = KavenRegTool(out, err, in, false).run(args);
    return {rc, QString::fromUtf8(out.data()), QString::fromUtf8(err.data())};
}
