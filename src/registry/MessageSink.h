#pragma once

// Where the program's message boxes and file questions go. The GUI shows QMessageBox and QFileDialog;
// command-line tools write to standard error; tests record and answer from a script.

#include <QString>

enum class MessageKind {
    Info,         // information icon, OK
    Error,        // error icon, OK
    Warning,      // warning icon, OK
    Plain,        // no icon, OK
    YesNo,        // question icon, Yes/No
    YesNoCancel,  // question icon, Yes/No/Cancel
    OkCancel      // warning icon, OK/Cancel
};

enum class MessageAnswer { Ok, Yes, No, Cancel };

class MessageSink {
public:
    virtual ~MessageSink() = default;
    // text is exactly what the box shows (prefixes included); caption is its title.
    virtual MessageAnswer message(MessageKind kind, const QString& caption, const QString& text) = 0;
    // A Yes/No question whose Yes stops the operation: Esc answers Yes there.
    virtual MessageAnswer askToStop(const QString& caption, const QString& text)
    {
        return message(MessageKind::YesNo, caption, text);
    }
    // File dialogs; an empty result means the user cancelled. filter uses the "Name (*.ext)|*.ext" form.
    virtual QString openFileName(const QString& title, const QString& filter) = 0;
    virtual QString saveFileName(const QString& title, const QString& filter) = 0;
};

// The sink of this process (a stderr sink until the program installs its own). Not owned.
[[nodiscard]] MessageSink& messageSink();
void setMessageSink(MessageSink* sink);
