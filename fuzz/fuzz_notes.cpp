// Key notes (memo.dat).

#include "FuzzSupport.h"

#include "annotations/NoteFile.h"

#include <QBuffer>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray input = Fuzz::bytes(data, size);
    QBuffer device(&input);
    device.open(QIODevice::ReadOnly);
    NoteFile::ReadResult result = NoteFile::read(device);
    NoteFile::sortByDate(result.notes);
    (void)NoteFile::anyOpenImportant(result.notes);
    for (const KeyNote& note : result.notes)
        (void)NoteFile::previewMarkup(note.text, note.done());
    return 0;
}
