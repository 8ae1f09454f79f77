#pragma once

// Lines for the registry-file reader, one at a time. An 8-bit file is read with a small fixed buffer,
// each line's bytes decoded on their own (UTF-8 when they are valid UTF-8 with a non-ASCII byte, else
// Windows-1252). A UTF-16 file is decoded once as a whole and its lines are views into that text.
// Lines end with CR LF, LF or CR alone.

#include "regfile/RegFileFormat.h"
#include "regfile/RegFileResult.h"
#include "regfile/RegValueLineParser.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <memory>

class QIODevice;

// A line parsed ahead (by the reading thread of RegPrefetchLineSource): a value line or a byte list,
// trimmed and, in version 5, without its comment, exactly as the reader would parse it.
struct RegPreparsedLine {
    enum class Kind { None, Value, Bytes };
    Kind kind = Kind::None;
    RegFileFormat format = RegFileFormat::Regedit4; // the format it was parsed for
    RegFileResult result;
    TRegValueLine value; // Value
    QByteArray stored;   // Value of a string or dword: the bytes stored, made by the reading thread
    QByteArray bytes;    // Bytes
};

class RegFileLineSource {
public:
    virtual ~RegFileLineSource() = default;
    // The next line without its line end, valid until the next call; false at the end or when the
    // source failed.
    [[nodiscard]] virtual bool next(QStringView* line) = 0;
    // Why the lines ended early (a read error, a line too long for a registry file); empty at the end.
    [[nodiscard]] virtual QString error() const { return {}; }
    // The line last given by next(), parsed ahead for the file's format; null when it was not.
    [[nodiscard]] virtual RegPreparsedLine* preparsed(RegFileFormat) { return nullptr; }
};

class RegDeviceLineSource final : public RegFileLineSource {
public:
    // Lines longer than maxLineBytes end the reading, so that memory stays bounded whatever the file.
    static constexpr qsizetype DefaultMaxLineBytes = 64 * 1024 * 1024;
    explicit RegDeviceLineSource(QIODevice& device, qsizetype maxLineBytes = DefaultMaxLineBytes)
        : m_device(device), m_maxLineBytes(maxLineBytes)
    {
    }
    [[nodiscard]] bool next(QStringView* line) override;
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
    QString m_line;
    qsizetype m_pos = 0;
    bool m_atEnd = false;
    bool m_skipLf = false; // the previous line ended with CR; an LF right after it belongs to it
};

// The lines of a text already in memory.
class RegTextLineSource final : public RegFileLineSource {
public:
    explicit RegTextLineSource(QString text, QString error = QString())
        : m_text(std::move(text)), m_error(std::move(error))
    {
    }
    [[nodiscard]] bool next(QStringView* line) override;
    [[nodiscard]] QString error() const override { return m_pos >= m_text.size() ? m_error : QString(); }

private:
    QString m_text;
    QString m_error; // a read error after the text
    qsizetype m_pos = 0;
};

class RegListLineSource final : public RegFileLineSource {
public:
    explicit RegListLineSource(const QStringList& lines) : m_lines(lines) {}
    [[nodiscard]] bool next(QStringView* line) override;

private:
    const QStringList& m_lines;
    qsizetype m_index = 0;
};

namespace RegFileDecoding {

// Text of UTF-16LE bytes (without byte-order mark). A text whose code units were stored once more as
// UTF-16 (each unit of the original as two units, the high one zero) is recognised and decoded again.
[[nodiscard]] QString decodeUtf16(QByteArrayView bytes);

// The lines of a file's device: a UTF-16LE file (with a byte-order mark, or recognised by the zero
// second byte of its first character) is decoded whole; an 8-bit file (a UTF-8 byte-order mark is
// skipped) is read line by line.
[[nodiscard]] std::unique_ptr<RegFileLineSource> openLines(QIODevice& device);

} // namespace RegFileDecoding
