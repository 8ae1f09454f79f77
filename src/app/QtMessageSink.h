#pragma once

// Message boxes and file dialogs of the windowed program: QMessageBox captioned with the program title
// (its buttons speak German through the Qt translations loaded at start) and Qt's file dialogs.

#include "registry/MessageSink.h"

#include <QStringList>

class QWidget;

class QtMessageSink final : public MessageSink {
public:
    MessageAnswer message(MessageKind kind, const QString& caption, const QString& text) override;
    QString openFileName(const QString& title, const QString& filter) override;
    QString saveFileName(const QString& title, const QString& filter) override;

    // "Name (*.ext)|*.ext|Other (*.x)|*.x" -> the Qt form "Name (*.ext);;Other (*.x)".
    [[nodiscard]] static QString qtFilter(const QString& filter);
    // The window that owns a box: the active window, else the first visible top-level window.
    [[nodiscard]] static QWidget* ownerWindow();
};
