#pragma once

// Lines for the registry-file reader, one at a time, so that a file of any size is read with a small
// fixed buffer. A file's lines end with CR LF, LF or CR alone; each line's bytes are decoded on their
// own (UTF-8 when they are valid UTF-8 with a non-ASCII byte, else Windows-1252).

#include <QByteArray>
#include <QString>
#include <QStringList>

class QIODevice;

class RegFileLineSource {
public:
    virtual ~RegFileLineSource() = default;
    // The next line without its line end; false at the end or when the source failed.
    [[nodiscard]] virtual bool next(QString* line) = 0;
    // Why the lines ended early (a read error, a line too long for a registry file); empty at the end.
    [[nodiscard]] virtual QString error() const { return {}; }
};

class RegDeviceLineSource final : public RegFileLineSource {
public:
    // Lines longer than maxLineBytes end the reading, so that memory stays bounded whatever the file.
    static constexpr qsizetype DefaultMaxLineBytes = 64 * 1024 * 1024;
    explicit RegDeviceLineSource(QIODevice& device, qsizetype maxLineBytes = DefaultMaxLineBytes)
        : m_device(device), m_maxLineBytes(maxLineBytes)
    {
    }
    [[nodiscard]] bool next(QString* line) override;
    [[nodiscard]] QString error() const override { return m_error; }
    // Splits off the next line's bytes; false at the end or at a line that is too long.
    [[nodiscard]] bool nextBytes(QByteArray* line);

private:
    [[nodiscard]] bool fill();

    QIODevice& m_device;
    qsizetype m_maxLineBytes;
    QString m_error;
    QByteArray m_chunk;
    QByteArray m_lineBytes;
    qsizetype m_pos = 0;
    bool m_atEnd = false;
    bool m_skipLf = false; // the previous line ended with CR; an LF right after it belongs to it
};

class RegListLineSource final : public RegFileLineSource {
public:
    explicit RegListLineSource(const QStringList& lines) : m_lines(lines) {}
    [[nodiscard]] bool next(QString* line) override;

private:
    const QStringList& m_lines;
    qsizetype m_index = 0;
};
