// Registry files, the text side: line splitting of every encoding, and each line through the value
// line rules of both formats, as the reader meets them.

#include "FuzzSupport.h"

#include "regfile/RegFileLineSource.h"
#include "regfile/RegValueLineParser.h"

#include <QBuffer>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray input = Fuzz::bytes(data, size);
    QBuffer device(&input);
    device.open(QIODevice::ReadOnly);
    const std::unique_ptr<RegFileLineSource> lines = RegFileDecoding::openLines(device);
    QStringView line;
    while (lines->next(&line)) {
        const QStringView trimmed = RegValueLineParser::trimLine(line);
        TRegValueLine parsed;
        (void)RegValueLineParser::parseValueLine(trimmed, &parsed, RegFileFormat::Regedit4);
        (void)RegValueLineParser::parseValueLine(RegValueLineParser::stripComment(trimmed), &parsed,
                                                 RegFileFormat::Version5);
        QByteArray bytes;
        (void)RegValueLineParser::parseHexBytes(trimmed, &bytes);
    }
    (void)RegFileDecoding::decodeUtf16(input);
    return 0;
}
