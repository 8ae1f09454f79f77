// Tree-state files (".tmp"): the key tree rebuilt from stored levels and marks.

#include "FuzzSupport.h"

#include "mainwindow/TreeStateFile.h"
#include "registry/KeyTreeModel.h"

#include <QBuffer>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::initApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray input = Fuzz::bytes(data, size);
    QBuffer device(&input);
    device.open(QIODevice::ReadOnly);
    KeyTreeModel tree;
    const QModelIndex selected = TreeStateFile::read(tree, device);
    // Walk what was built, as saving it again does.
    int walked = 0;
    for (QModelIndex node = TreeStateFile::nextInTreeOrder(tree, QModelIndex()); node.isValid() && walked < 100000;
         node = TreeStateFile::nextInTreeOrder(tree, node))
        ++walked;
    QByteArray out;
    QBuffer again(&out);
    again.open(QIODevice::WriteOnly);
    (void)TreeStateFile::write(tree, selected, again);
    return 0;
}
