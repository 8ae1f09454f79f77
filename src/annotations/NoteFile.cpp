#include "annotations/NoteFile.h"

#include "info/MultiTextUtils.h"
#include "annotations/ListFileWriter.h"
#include "platform/StoreFiles.h"
#include "platform/TextCodec.h"
#include "platform/WinCase.h"
#include "registry/MessageSink.h"
#include "registry/RegMessageUtils.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <algorithm>
#include <limits>

namespace NoteFile {

namespace {

// Reads the little-endian fields of a whole file held in memory; every read checks the bytes left.
class FieldReader final {
public:
    explicit FieldReader(QByteArrayView bytes) : m_bytes(bytes) {}

    [[nodiscard]] bool integer(quint32& value)
    {
        if (left() < 4)
            return false;
        value = qFromLittleEndian<quint32>(m_bytes.data() + m_pos);
        m_pos += 4;
        return true;
    }
    [[nodiscard]] bool string(QString& value)
    {
        quint32 count = 0;
        if (!integer(count) || count > quint32(left()))
            return false;
        value = TextCodec::decode(m_bytes.sliced(m_pos, count));
        m_pos += qsizetype(count);
        return true;
    }

private:
    [[nodiscard]] qsizetype left() const { return m_bytes.size() - m_pos; }

    QByteArrayView m_bytes;
    qsizetype m_pos = 0;
};

void appendInteger(QByteArray& bytes, quint32 value)
{
    char le[4];
    qToLittleEndian(value, le);
    bytes.append(le, 4);
}

void appendString(QByteArray& bytes, const QString& text)
{
    const QByteArray encoded = TextCodec::encode(text);
    appendInteger(bytes, quint32(encoded.size()));
    bytes += encoded;
}

} // namespace

ReadResult read(QIODevice& device)
{
    const QByteArray bytes = device.readAll();
    FieldReader in(bytes);
    ReadResult result;
    quint32 identifier = 0;
    if (!in.integer(identifier) || identifier != Identifier) {
        result.status = Status::WrongIdentifier;
        return result;
    }
    quint32 count = 0;
    if (!in.integer(count))
        result.status = Status::Truncated;
    for (quint32 i = 0; i < count; ++i) {
        KeyNote note;
        if (!in.integer(note.flags) || !in.string(note.date) || !in.string(note.keyPath) || !in.string(note.text)) {
            result.status = Status::Truncated;
            break;
        }
        result.notes.append(note);
    }
    return result;
}

bool write(const QList<KeyNote>& notes, QIODevice& device)
{
    QByteArray bytes;
    appendInteger(bytes, Identifier);
    appendInteger(bytes, quint32(notes.size()));
    for (const KeyNote& note : notes) {
        appendInteger(bytes, note.flags);
        appendString(bytes, note.date);
        appendString(bytes, note.keyPath);
        appendString(bytes, note.text);
    }
    return device.write(bytes) == bytes.size();
}

ReadResult load(const QString& fileName)
{
    QFile file(fileName);
    if (StoreFiles::isStoreFile(fileName) || !file.exists() || !file.open(QIODevice::ReadOnly))
        return {{}, Status::Missing};
    return read(file);
}

QList<KeyNote> loadShown(const QString& fileName, MessageSink& sink)
{
    ReadResult result = load(fileName);
    if (result.status == Status::WrongIdentifier)
        ShowError(sink, WrongIdentifierText);
    return result.notes;
}

QString keptAsideName(const QString& fileName)
{
    QString name = fileName + QStringLiteral(".alt");
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = fileName + QStringLiteral(".alt") + QString::number(n);
    return name;
}

bool save(const QList<KeyNote>& notes, const QString& fileName)
{
    if (StoreFiles::isStoreFile(fileName))
        return false;
    // What could not be read (another kind of file, a damaged end) would be lost by the rewrite.
    const Status old = load(fileName).status;
    const bool keepAside = old == Status::WrongIdentifier || old == Status::Truncated;
    if (keepAside && !QFile::rename(fileName, keptAsideName(fileName)))
        return false;
    return ListFileWriter::replace(fileName, [&](QIODevice& device) { return write(notes, device); });
}

std::optional<KeyNote> readNote(const QString& fileName, const QString& keyPath, MessageSink& sink)
{
    for (const KeyNote& note : loadShown(fileName, sink))
        if (winEqualsNoCase(note.keyPath, keyPath))
            return note;
    return std::nullopt;
}

bool writeNote(const QString& fileName, const KeyNote& note, MessageSink& sink)
{
    QList<KeyNote> notes = loadShown(fileName, sink);
    const auto same = std::find_if(notes.begin(), notes.end(),
                                   [&](const KeyNote& n) { return winEqualsNoCase(n.keyPath, note.keyPath); });
    if (same == notes.end()) {
        notes.append(note);
    } else {
        same->flags = note.flags;
        same->date = note.date;
        same->text = note.text;
    }
    return save(notes, fileName);
}

bool anyOpenImportant(const QList<KeyNote>& notes)
{
    return std::any_of(notes.begin(), notes.end(), [](const KeyNote& n) { return n.openImportant(); });
}

void sortByDate(QList<KeyNote>& notes)
{
    const auto day = [](const KeyNote& n) {
        const QDate date = QDate::fromString(n.date, QStringLiteral("dd.MM.yyyy"));
        return date.isValid() ? date.toJulianDay() : std::numeric_limits<qint64>::min();
    };
    std::stable_sort(notes.begin(), notes.end(), [&](const KeyNote& a, const KeyNote& b) { return day(a) < day(b); });
}

QString previewMarkup(const QString& text, bool formatted)
{
    const QString crlf = QStringLiteral("\r\n");
    if (formatted)
        return QString(text).remove(crlf);
    // What is left after stripping is literal text: a "<" in it must not start a tag again.
    return EscapeMarkup(StripMarkup(text)).replace(crlf, QStringLiteral("<BR>"));
}

} // namespace NoteFile
