#include "app/KavenRegTool.h"

#include <QCoreApplication>
#include <QFile>

#include <unistd.h>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QFile out;
    QFile err;
    QFile in;
    if (!out.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered)
        || !err.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered) || !in.open(stdin, QIODevice::ReadOnly))
        return 1;
    KavenRegTool tool(out, err, in, isatty(STDIN_FILENO) != 0);
    return tool.runWithStore(QCoreApplication::arguments().mid(1));
}
