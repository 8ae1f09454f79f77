// A second instance of the program's clipboard code for the cross-process tests: it puts keys or values
// on the X clipboard and keeps serving them, or reads and pastes what another process put there.
//
//   clipboard_child put-key CUT MACHINE PATH      (serves until killed)
//   clipboard_child put-values KEYPATH NAME...    (serves until killed)
//   clipboard_child paste-values KEYPATH          prints the number of values written
//   clipboard_child paste-key TARGETPARENT        prints "ok" or "failed"
//
// The store is the one named by KAVEN_REGISTRY.

#include "mainwindow/RegClipboard.h"
#include "platform/WinReg.h"
#include "registry/MessageSink.h"
#include "registry/Progress.h"
#include "registry/RegUtils.h"

#include <QApplication>
#include <QClipboard>
#include <QTextStream>
#include <QTimer>

#include <cstdio>

namespace {

// Questions are answered Yes, every box goes to standard error.
class StderrSink final : public MessageSink {
public:
    MessageAnswer message(MessageKind, const QString&, const QString& text) override
    {
        std::fprintf(stderr, "%s\n", text.toUtf8().constData());
        return MessageAnswer::Yes;
    }
    QString openFileName(const QString&, const QString&) override { return {}; }
    QString saveFileName(const QString&, const QString&) override { return {}; }
};

void say(const QString& text)
{
    std::printf("%s\n", text.toUtf8().constData());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    StderrSink sink;
    setMessageSink(&sink);
    if (RegOpenLocalStore(QString::fromLocal8Bit(qgetenv("KAVEN_REGISTRY"))) != ERROR_SUCCESS)
        return 2;
    const QStringList args = app.arguments().mid(1);
    const QString mode = args.value(0);
    if (mode == QLatin1String("put-key") && args.size() == 4) {
        PutKeyClip(args[1] == QLatin1String("1"), args[2], args[3]);
        say(QStringLiteral("READY"));
        return app.exec();
    }
    if (mode == QLatin1String("put-values") && args.size() >= 3) {
        QStringList names = args.mid(2);
        for (QString& name : names)
            if (name == QLatin1String("-"))
                name.clear(); // the default value
        say(QString::number(PutValueClip(args[1], names)));
        return app.exec();
    }
    if (mode == QLatin1String("paste-values") && args.size() == 2) {
        say(QString::number(PasteValueClip(args[1], nullptr)));
        return 0;
    }
    if (mode == QLatin1String("paste-key") && args.size() == 2) {
        const auto clip = GetKeyClip();
        NullProgress progress;
        say(clip && PasteKey(*clip, args[1], progress) ? QStringLiteral("ok") : QStringLiteral("failed"));
        return 0;
    }
    return 2;
}
