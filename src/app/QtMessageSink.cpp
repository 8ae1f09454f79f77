#include "app/QtMessageSink.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace {

QMessageBox::Icon iconOf(MessageKind kind)
{
    switch (kind) {
    case MessageKind::Info:
        return QMessageBox::Information;
    case MessageKind::Error:
        return QMessageBox::Critical;
    case MessageKind::Warning:
    case MessageKind::OkCancel:
        return QMessageBox::Warning;
    case MessageKind::YesNo:
    case MessageKind::YesNoCancel:
        return QMessageBox::Question;
    case MessageKind::Plain:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons buttonsOf(MessageKind kind)
{
    switch (kind) {
    case MessageKind::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MessageKind::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MessageKind::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    default:
        return QMessageBox::Ok;
    }
}

MessageAnswer answerOf(int button)
{
    switch (button) {
    case QMessageBox::Yes:
        return MessageAnswer::Yes;
    case QMessageBox::No:
        return MessageAnswer::No;
    case QMessageBox::Cancel:
        return MessageAnswer::Cancel;
    default:
        return MessageAnswer::Ok;
    }
}

} // namespace

QWidget* QtMessageSink::ownerWindow()
{
    if (QWidget* active = QApplication::activeWindow())
        return active;
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget* w : windows)
        if (w->isVisible() && w->isWindow() && !(w->windowFlags() & Qt::SplashScreen))
            return w;
    return nullptr;
}

MessageAnswer QtMessageSink::message(MessageKind kind, const QString& caption, const QString& text)
{
    QMessageBox box(iconOf(kind), caption, text, buttonsOf(kind), ownerWindow());
    // Windows closes a Yes/No question with Esc as No; Qt needs to be told.
    if (kind == MessageKind::YesNo)
        box.setEscapeButton(QMessageBox::No);
    return answerOf(box.exec());
}

QString QtMessageSink::qtFilter(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList result;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString& name = parts[i];
        const QString pattern = QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' '));
        result << (name.contains(QLatin1Char('(')) ? name : name + QStringLiteral(" (") + pattern + QLatin1Char(')'));
    }
    if (result.isEmpty() && !filter.isEmpty())
        result << filter;
    return result.join(QStringLiteral(";;"));
}

QString QtMessageSink::openFileName(const QString& title, const QString& filter)
{
    return QFileDialog::getOpenFileName(ownerWindow(), title, QString(), qtFilter(filter));
}

QString QtMessageSink::saveFileName(const QString& title, const QString& filter)
{
    return QFileDialog::getSaveFileName(ownerWindow(), title, QString(), qtFilter(filter));
}
