#pragma once

// A message sink for tests: installs itself as the process's sink while it lives, records every
// message box and file question, and answers from a script. Unscripted questions are answered like a
// cautious user: No, Cancel, or no file.

#include "registry/MessageSink.h"

#include <QList>
#include <QQueue>
#include <QString>
#include <QStringList>

class RecordingMessageSink final : public MessageSink {
public:
    struct Message {
        MessageKind kind;
        QString caption;
        QString text;
    };

    RecordingMessageSink();
    ~RecordingMessageSink() override;
    RecordingMessageSink(const RecordingMessageSink&) = delete;
    RecordingMessageSink& operator=(const RecordingMessageSink&) = delete;

    MessageAnswer message(MessageKind kind, const QString& caption, const QString& text) override;
    QString openFileName(const QString& title, const QString& filter) override;
    QString saveFileName(const QString& title, const QString& filter) override;

    // Answers for the next questions, in order (message boxes and file dialogs have separate queues).
    void pushAnswer(MessageAnswer answer) { m_answers.enqueue(answer); }
    void pushFileName(const QString& fileName) { m_fileNames.enqueue(fileName); }

    [[nodiscard]] const QList<Message>& messages() const { return m_messages; }
    [[nodiscard]] QStringList texts() const;
    [[nodiscard]] int count() const { return int(m_messages.size()); }
    // The last message, or an empty one (kind Plain) when none was shown.
    [[nodiscard]] Message last() const;
    void clear();

private:
    QString nextFileName();

    QList<Message> m_messages;
    QQueue<MessageAnswer> m_answers;
    QQueue<QString> m_fileNames;
};
