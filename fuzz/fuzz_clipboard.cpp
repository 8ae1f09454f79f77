// The two clipboard blocks of keys and values, which any program can put on the clipboard.

#include "FuzzSupport.h"

#include "mainwindow/ClipboardBlocks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input = Fuzz::bytes(data, size);
    if (const std::optional<KeyClip> key = DecodeKeyClip(input))
        (void)EncodeKeyClip(*key);
    if (const std::optional<QList<ClipValue>> values = DecodeValueClip(input))
        (void)EncodeValueClip(*values);
    return 0;
}
