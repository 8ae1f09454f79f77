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

// Runs one command line with nothing on standard input: the command name first, or (withStore) the
// store options first, taken as the program takes them.
inline ToolRun runTool(const QStringList& args, bool withStore = false)
{
    QBuffer out, err, in;
    for (QBuffer* buffer : {&out, &err, &in})
        buffer->open(QIODevice::ReadWrite);
    KavenRegTool tool(out, err, in, false);
    const int rc = withStore ? tool.runWithStore(args) : tool.run(args);
    return {rc, QString::fromUtf8(out.data()), QString::fromUtf8(err.data())};
}
