// External tools (tools.dat) and the splitting of their parameters into arguments.

#include "FuzzSupport.h"

#include "annotations/ToolsFile.h"

#include <QBuffer>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray input = Fuzz::bytes(data, size);
    QBuffer device(&input);
    device.open(QIODevice::ReadOnly);
    for (const ExternalTool& tool : ToolsFile::read(device)) {
        (void)ToolsFile::splitParameters(tool.parameters);
        (void)ToolsFile::encodeLine(tool);
    }
    return 0;
}
