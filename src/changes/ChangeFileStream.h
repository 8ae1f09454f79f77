#pragma once

// The fields of the change-detection files (analysis files ".rec" and saved change lists ".cbk"):
// integers are 32-bit little-endian and signed; a string is a 32-bit byte count n followed by n bytes
// of 8-bit file text, no terminator. Value data follow their type code: REG_SZ a string, REG_DWORD an
// integer, every other type a string of the raw data bytes, where REG_EXPAND_SZ and REG_MULTI_SZ hold
// their text in the file's encoding (the registry keeps it as UTF-8).
//
// The reader never trusts a length: a negative one or one beyond the end of the data is an error, and
// bytes are taken in blocks, so a damaged length never allocates more than the file holds.

#include "registry/TRegValue.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>

// Why a file could not be read, and where. The offset is that of the record (or list entry) that could
// not be read, counted from the start of the file.
struct ChangeFileError {
    enum class Kind {
        None,
        CannotOpen,      // missing, unreadable, or a file of the registry store
        NotAnalysisFile, // does not begin with the analysis file identifier
        NotChangeList,   // shorter than the change list identifier, or another one
        CutOff,          // the data end inside a record
        NegativeLength,
        BeyondEnd,       // a string longer than what is left of the data
        UnknownTag,
        MisplacedTag,    // a record that cannot stand where it stands (a value outside a key ...)
        NoEndTag,        // the data end without the end-of-file record
    };
    Kind kind = Kind::None;
    qint64 offset = 0;
    qint64 detail = 0; // the length or tag that was found

    [[nodiscard]] bool failed() const { return kind != Kind::None; }
    // A file that was not read at all, as opposed to one read up to a damaged record.
    [[nodiscard]] bool refused() const
    {
        return kind == Kind::CannotOpen || kind == Kind::NotAnalysisFile || kind == Kind::NotChangeList;
    }
    // The message for the user; fileName is shown as given.
    [[nodiscard]] QString text(const QString& fileName) const;
};

class ChangeFieldWriter final {
public:
    explicit ChangeFieldWriter(QIODevice& device);
    ChangeFieldWriter(const ChangeFieldWriter&) = delete;
    ChangeFieldWriter& operator=(const ChangeFieldWriter&) = delete;

    void writeRaw(QByteArrayView bytes);
    void writeInt(qint32 number);
    void writeString(QByteArrayView bytes);
    void writeText(QStringView text); // through the 8-bit file codec
    void writeValueData(const TRegValue& value); // the data field chosen by value.DataType
    // Hands the buffered bytes to the device; false once any write failed.
    [[nodiscard]] bool flush();
    [[nodiscard]] bool ok() const { return m_ok; }

private:
    QIODevice& m_device;
    QByteArray m_buffer;
    bool m_ok = true;
};

class ChangeFieldReader final {
public:
    explicit ChangeFieldReader(QIODevice& device);
    ChangeFieldReader(const ChangeFieldReader&) = delete;
    ChangeFieldReader& operator=(const ChangeFieldReader&) = delete;

    // Offsets of errors are those of the record begun last.
    void beginRecord() { m_recordStart = m_pos; }
    [[nodiscard]] qint64 pos() const { return m_pos; }
    // No byte left (a device that fails to read counts as ended).
    [[nodiscard]] bool atEnd();

    // Each returns false and sets error() when the field cannot be read.
    [[nodiscard]] bool readRaw(qint64 count, QByteArray& bytes);
    [[nodiscard]] bool readInt(qint32& number);
    [[nodiscard]] bool readString(QByteArray& bytes);
    [[nodiscard]] bool readText(QString& text);
    [[nodiscard]] bool readValueData(DWORD type, TRegValue& value);

    [[nodiscard]] const ChangeFileError& error() const { return m_error; }
    // Sets the error at the record begun last, replacing what a field reported.
    void fail(ChangeFileError::Kind kind, qint64 detail = 0);

private:
    // Makes at least one unread byte buffered; false at the end of the data.
    bool fill();

    QIODevice& m_device;
    QByteArray m_buffer;
    qsizetype m_bufferPos = 0;
    qint64 m_pos = 0;
    qint64 m_recordStart = 0;
    qint64 m_size = -1; // of the data from the start, -1 for a stream of unknown length
    ChangeFileError m_error;
};
