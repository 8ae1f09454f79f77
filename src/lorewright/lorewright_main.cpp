#include "lorewright/Lorewright.h"

#include <QCoreApplication>
#include <QFile>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QFile err;
    if (!err.open(stderr, QIODevice::WriteOnly))
        return 1;
    return Lorewright::run(app.arguments().mid(1), err);
}
