#include "registry/MessageSink.h"

#include <cstdio>

namespace {

// Without a window: messages go to standard error, questions are answered No (nothing is changed
// without consent), file dialogs are cancelled.
class StderrMessageSink final : public MessageSink {
public:
    MessageAnswer message(MessageKind kind, const QString&, const QString& text) override
    {
        std::fprintf(stderr, "%s\n", text.toUtf8().constData());
        switch (kind) {
        case MessageKind::YesNo:
        case MessageKind::YesNoCancel:
            return MessageAnswer::No;
        case MessageKind::OkCancel:
            return MessageAnswer::Cancel;
        default:
            return MessageAnswer::Ok;
        }
    }
    QString openFileName(const QString&, const QString&) override { return {}; }
    QString saveFileName(const QString&, const QString&) override { return {}; }
};

StderrMessageSink g_stderrSink;
MessageSink* g_sink = &g_stderrSink;

} // namespace

MessageSink& messageSink()
{
    return *g_sink;
}

void setMessageSink(MessageSink* sink)
{
    g_sink = sink ? sink : &g_stderrSink;
}
