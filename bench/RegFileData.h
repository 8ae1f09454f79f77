#pragma once

// The benchmark workload in memory: the keys and values of a generated REGEDIT4 file, parsed by a
// deliberately small reader of the generator's own layout (so that the platform benchmarks do not
// depend on the program's file reader).

#include <QByteArray>
#include <QString>
#include <QVector>

struct BenchValue {
    QString name;
    quint32 type = 0;
    QByteArray data;
};

struct BenchKey {
    QString path; // below HKEY_CURRENT_USER
    QVector<BenchValue> values;
};

[[nodiscard]] QVector<BenchKey> loadGeneratedRegFile(const QString& fileName, qint64* valueCount);
