#include "support/RecordingMessageSink.h"

RecordingMessageSink::RecordingMessageSink()
{
    setMessageSink(this);
}

RecordingMessageSink::~RecordingMessageSink()
{
    if (&messageSink() == this)
        setMessageSink(nullptr);
}

MessageAnswer RecordingMessageSink::message(MessageKind kind, const QString& caption, const QString& text)
{
    m_messages.append({kind, caption, text});
    if (!m_answers.isEmpty())
        return m_answers.dequeue();
    if (kind == MessageKind::YesNo || kind == MessageKind::YesNoCancel)
        return MessageAnswer::No;
    return kind == MessageKind::OkCancel ? MessageAnswer::Cancel : MessageAnswer::Ok;
}

QString RecordingMessageSink::openFileName(const QString&, const QString&)
{
    return nextFileName();
}

QString RecordingMessageSink::saveFileName(const QString&, const QString&)
{
    return nextFileName();
}

QString RecordingMessageSink::nextFileName()
{
    return m_fileNames.isEmpty() ? QString() : m_fileNames.dequeue();
}

QStringList RecordingMessageSink::texts() const
{
    QStringList result;
    for (const Message& m : m_messages)
        result.append(m.text);
    return result;
}

RecordingMessageSink::Message RecordingMessageSink::last() const
{
    return m_messages.isEmpty() ? Message{MessageKind::Plain, {}, {}} : m_messages.last();
}

void RecordingMessageSink::clear()
{
    m_messages.clear();
    m_answers.clear();
    m_fileNames.clear();
}
