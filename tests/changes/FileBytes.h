#pragma once

// Bytes of the change-detection files for tests: hand-made integers and length-prefixed strings, and
// analysis files written to and read from memory.

#include "changes/AnalysisFile.h"

#include <QtCore>

inline QByteArray le(qint32 n)
{
    QByteArray bytes(4, Qt::Uninitialized);
    qToLittleEndian<qint32>(n, bytes.data());
    return bytes;
}

inline QByteArray str(const QByteArray& bytes)
{
    return le(qint32(bytes.size())) + bytes;
}

struct ReadResult {
    QList<StoredKey> keys;
    ChangeFileError error;
    bool ended = false;
};

inline ReadResult readAll(QByteArray bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    AnalysisFileReader reader(buffer);
    ReadResult result;
    StoredKey key;
    AnalysisFileReader::Step step;
    while ((step = reader.next(key)) == AnalysisFileReader::Step::Key)
        result.keys.append(key);
    result.ended = step == AnalysisFileReader::Step::End;
    result.error = reader.error();
    return result;
}

template <typename Write>
QByteArray written(Write write)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    AnalysisFileWriter writer(buffer);
    write(writer);
    return writer.finish() ? bytes : QByteArray("(failed)");
}

