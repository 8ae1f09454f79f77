#pragma once

// Whole files for tests: written in one go, read back in one go.

#include <QByteArray>
#include <QFile>
#include <QString>

// The file's bytes, or "<missing>" when it cannot be read.
inline QByteArray readFile(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Creates or replaces the file; true when every byte was written.
[[nodiscard]] inline bool writeFile(const QString& fileName, const QByteArray& bytes)
{
    QFile file(fileName);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}
