#pragma once

// Hand-made bytes of the change-detection files: 32-bit little-endian integers and length-prefixed strings.

#include <QByteArray>
#include <QIODevice>
#include <QtEndian>

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

// A device that takes nothing: the disk is full.
class FullDevice final : public QIODevice {
protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64) override { return -1; }
};
