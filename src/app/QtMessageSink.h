#pragma once

// Message boxes and file dialogs of the windowed program: QMessageBox captioned with the program title
// (its buttons speak German through the Qt translations loaded at start) and Qt's own file dialog.
//
// Every file dialog of the program is made here. The dialog never opens a file it lists: the platform's
// dialogs and Qt's default icon provider read files to guess their type, and any open and close of a
// store file outside SQLite drops the store's locks in this process. Store files are not listed and
// cannot be chosen.

#include "registry/MessageSink.h"

#include <QStringList>

class QFileDialog;
class QWidget;

class QtMessageSink final : public MessageSink {
public:
    MessageAnswer message(MessageKind kind, const QString& caption, const QString& text) override;
    MessageAnswer askToStop(const QString& caption, const QString& text) override;
    QString openFileName(const QString& title, const QString& filter) override;
    QString saveFileName(const QString& title, const QString& filter) override;

    enum class FileMode { Open, Save, Folder };
    // A file or folder chosen by the user, or empty when cancelled or refused. filter uses the
    // "Name (*.ext)|*.ext" form; startDir may be empty.
    [[nodiscard]] static QString chooseFile(QWidget* parent, FileMode mode, const QString& title,
                                            const QString& startDir, const QString& filter = {});
    // Makes a dialog safe for the store (see above); dialogs of other shapes call it before exec().
    static void secure(QFileDialog& dialog);

    // "Name (*.ext)|*.ext|Other (*.x)|*.x" -> the Qt form "Name (*.ext);;Other (*.x)".
    [[nodiscard]] static QString qtFilter(const QString& filter);
    // The window that owns a box: the active window, else the first visible top-level window.
    [[nodiscard]] static QWidget* ownerWindow();
};
