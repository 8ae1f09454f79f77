// Markup texts (information file, notes, help): the scanner and the layout with its replayed lines,
// hit tests and selection.

#include "FuzzSupport.h"

#include "info/MultiTextLayout.h"
#include "info/MultiTextUtils.h"
#include "platform/TextCodec.h"

#include <QImage>
#include <QPainter>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::initApplication(true);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    // The first byte chooses the width and the wrapping, the rest is the text.
    const QString text =
        TextCodec::decode(QByteArray::fromRawData(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1)));
    (void)ScanMarkup(text);
    (void)StripMarkup(text);
    MultiTextOptions options;
    options.width = 8 + (data[0] & 0x7F) * 4;
    options.wordWrap = (data[0] & 0x80) == 0;
    options.frameWidth = 2;
    MultiTextLayout layout;
    layout.layout(text, options, true);
    const int lines = layout.lines().count();
    QImage image(200, 40, QImage::Format_RGB32);
    QPainter painter(&image);
    for (int line = 0; line < lines && line < 200; ++line) {
        (void)layout.lineItems(line);
        (void)layout.snap(line, 30);
        (void)layout.linkAt({30, line});
        if (line < 4)
            layout.paintLine(painter, line, 0, 0, 200);
    }
    if (lines > 0)
        (void)layout.plainText({0, 0}, {layout.lineEnd(lines - 1), lines - 1});
    (void)layout.lineAt(layout.contentSize().height() / 2);
    (void)layout.sourceText();
    return 0;
}
