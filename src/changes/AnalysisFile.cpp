#include "changes/AnalysisFile.h"

using Kind = ChangeFileError::Kind;

AnalysisFileWriter::AnalysisFileWriter(QIODevice& device)
    : m_out(device)
{
    m_out.writeRaw(AnalysisFileMagic);
}

void AnalysisFileWriter::tag(AnalysisRecordTag tag)
{
    m_out.writeInt(qint32(tag));
}

void AnalysisFileWriter::beginKey(const QString& path)
{
    if (m_keyOpen)
        endKey();
    tag(AnalysisRecordTag::Key);
    m_out.writeText(path.endsWith(QLatin1Char('\\')) ? QStringView(path).chopped(1) : QStringView(path));
    m_keyOpen = true;
}

void AnalysisFileWriter::writeSubKeyName(const QString& name)
{
    tag(AnalysisRecordTag::SubKeyName);
    m_out.writeText(name);
}

void AnalysisFileWriter::writeValue(const QString& name, const TRegValue& value)
{
    tag(AnalysisRecordTag::Value);
    m_out.writeText(name);
    m_out.writeInt(qint32(value.DataType));
    m_out.writeValueData(value);
}

void AnalysisFileWriter::endKey()
{
    tag(AnalysisRecordTag::EndOfKey);
    m_keyOpen = false;
}

void AnalysisFileWriter::writeKey(const StoredKey& key)
{
    beginKey(key.path);
    for (const QString& name : key.subKeyNames)
        writeSubKeyName(name);
    for (const StoredValue& value : key.values)
        writeValue(value.name, value.value);
    endKey();
}

bool AnalysisFileWriter::finish()
{
    if (m_keyOpen)
        endKey();
    tag(AnalysisRecordTag::EndOfFile);
    return m_out.flush();
}

AnalysisFileReader::AnalysisFileReader(QIODevice& device)
    : m_in(device)
{
}

AnalysisFileReader::Step AnalysisFileReader::stop(Step step)
{
    m_final = step;
    return step;
}

bool AnalysisFileReader::readMagic()
{
    QByteArray magic;
    const bool read = m_in.readRaw(AnalysisFileMagic.size(), magic);
    if (read && magic.compare(AnalysisFileMagic, Qt::CaseInsensitive) == 0)
        return true;
    m_in.fail(Kind::NotAnalysisFile);
    return false;
}

// A tag at the start of a record; the data ending cleanly before it means the end tag is missing.
bool AnalysisFileReader::readTag(qint32& tag)
{
    m_in.beginRecord();
    if (m_in.atEnd()) {
        m_in.fail(Kind::NoEndTag);
        return false;
    }
    return m_in.readInt(tag);
}

bool AnalysisFileReader::readKeyBody(StoredKey& key)
{
    if (!m_in.readText(key.path))
        return false;
    qint32 tag = 0;
    while (readTag(tag)) {
        switch (AnalysisRecordTag(tag)) {
        case AnalysisRecordTag::SubKeyName: {
            QString name;
            if (!m_in.readText(name))
                return false;
            key.subKeyNames.append(name);
            break;
        }
        case AnalysisRecordTag::Value: {
            StoredValue value;
            qint32 type = 0;
            if (!m_in.readText(value.name) || !m_in.readInt(type) || !m_in.readValueData(DWORD(type), value.value))
                return false;
            key.values.push_back(std::move(value));
            break;
        }
        case AnalysisRecordTag::EndOfKey:
            return true;
        case AnalysisRecordTag::Key:
        case AnalysisRecordTag::EndOfFile:
            m_in.fail(Kind::MisplacedTag, tag);
            return false;
        default:
            m_in.fail(Kind::UnknownTag, tag);
            return false;
        }
    }
    return false;
}

AnalysisFileReader::Step AnalysisFileReader::next(StoredKey& key)
{
    key = StoredKey();
    if (m_final)
        return *m_final;
    if (!m_started) {
        m_started = true;
        if (!readMagic())
            return stop(Step::Error);
    }
    qint32 tag = 0;
    if (!readTag(tag))
        return stop(Step::Error);
    switch (AnalysisRecordTag(tag)) {
    case AnalysisRecordTag::Key:
        if (readKeyBody(key))
            return Step::Key;
        key = StoredKey(); // half a key is compared with nothing
        return stop(Step::Error);
    case AnalysisRecordTag::EndOfFile:
        return stop(Step::End);
    case AnalysisRecordTag::SubKeyName:
    case AnalysisRecordTag::Value:
    case AnalysisRecordTag::EndOfKey:
        m_in.fail(Kind::MisplacedTag, tag);
        return stop(Step::Error);
    default:
        m_in.fail(Kind::UnknownTag, tag);
        return stop(Step::Error);
    }
}
