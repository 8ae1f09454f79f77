#include "app/QtMessageSink.h"

#include "app/StoreFileGuard.h"
#include "platform/StoreFiles.h"

#include <QAbstractFileIconProvider>
#include <QApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>
#include <QSortFilterProxyModel>
#include <QStyle>

#include <iterator>

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

MessageAnswer showBox(MessageKind kind, const QString& caption, const QString& text,
                      QMessageBox::StandardButton escape)
{
    QMessageBox box(iconOf(kind), caption, text, buttonsOf(kind), QtMessageSink::ownerWindow());
    // A long operation disables its window; a box it raises must still be answerable.
    box.setEnabled(true);
    if (escape != QMessageBox::NoButton)
        box.setEscapeButton(escape);
    // A short text makes a box narrower than its caption, which the title bar then cuts off. The room for
    // the window manager's icon and buttons beside the caption is a guess; too much costs only width.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        QFont titleFont = box.font();
        titleFont.setBold(true);
        const int captionWidth = QFontMetrics(titleFont).horizontalAdvance(caption) + 140;
        grid->addItem(new QSpacerItem(captionWidth, 0, QSizePolicy::Minimum, QSizePolicy::Minimum), grid->rowCount(),
                      0, 1, grid->columnCount());
    }
    return answerOf(box.exec());
}

// Icons and type names from the file's kind and name alone. Qt's default provider asks the MIME
// database, which opens the file to look at its content.
// The icons are made once on the main thread; the dialog's file-info thread only copies them.
class NameOnlyIconProvider final : public QAbstractFileIconProvider {
public:
    NameOnlyIconProvider()
    {
        const QStyle* style = QApplication::style();
        const QStyle::StandardPixmap pixmaps[] = {QStyle::SP_ComputerIcon, QStyle::SP_DesktopIcon,
                                                  QStyle::SP_TrashIcon,    QStyle::SP_DriveNetIcon,
                                                  QStyle::SP_DriveHDIcon,  QStyle::SP_DirIcon,
                                                  QStyle::SP_FileIcon};
        for (size_t i = 0; i < std::size(pixmaps); ++i)
            m_icons[i] = style->standardIcon(pixmaps[i]);
    }
    QIcon icon(IconType type) const override
    {
        switch (type) {
        case Computer:
            return m_icons[0];
        case Desktop:
            return m_icons[1];
        case Trashcan:
            return m_icons[2];
        case Network:
            return m_icons[3];
        case Drive:
            return m_icons[4];
        case Folder:
            return m_icons[5];
        case File:
            break;
        }
        return m_icons[6];
    }
    QIcon icon(const QFileInfo& info) const override
    {
        if (info.isRoot())
            return icon(Drive);
        return icon(info.isDir() ? Folder : File);
    }
    QString type(const QFileInfo& info) const override
    {
        if (info.isDir())
            return QStringLiteral("Ordner");
        return info.suffix().isEmpty() ? QStringLiteral("Datei") : info.suffix().toUpper() + QStringLiteral("-Datei");
    }

private:
    QIcon m_icons[7];
};

NameOnlyIconProvider& nameOnlyIcons()
{
    static NameOnlyIconProvider provider;
    return provider;
}

// Hides the files of open stores, so that they can be neither chosen nor acted on in the dialog.
class StoreFileFilter final : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override
    {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (!files)
            return true;
        const QModelIndex index = files->index(row, 0, parent);
        return files->isDir(index) || !StoreFiles::isStoreFile(files->filePath(index));
    }
};

} // namespace

QWidget* QtMessageSink::ownerWindow()
{
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
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
    // Windows closes a Yes/No question with Esc as No; Qt needs to be told.
    return showBox(kind, caption, text, kind == MessageKind::YesNo ? QMessageBox::No : QMessageBox::NoButton);
}

MessageAnswer QtMessageSink::askToStop(const QString& caption, const QString& text)
{
    return showBox(MessageKind::YesNo, caption, text, QMessageBox::Yes);
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

void QtMessageSink::secure(QFileDialog& dialog)
{
    // Qt's own dialog, never a platform one: a platform dialog runs its own code in this process.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setIconProvider(&nameOnlyIcons());
    dialog.setProxyModel(new StoreFileFilter(&dialog));
    dialog.setEnabled(true);
}

QString QtMessageSink::chooseFile(QWidget* parent, FileMode mode, const QString& title, const QString& startDir,
                                  const QString& filter)
{
    QFileDialog dialog(parent ? parent : ownerWindow(), title, startDir, qtFilter(filter));
    secure(dialog);
    switch (mode) {
    case FileMode::Open:
        dialog.setFileMode(QFileDialog::ExistingFile);
        break;
    case FileMode::Save:
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        break;
    case FileMode::Folder:
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
        break;
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    const QString chosen = dialog.selectedFiles().constFirst();
    return RefuseStoreFile(chosen) ? QString() : chosen;
}

QString QtMessageSink::openFileName(const QString& title, const QString& filter)
{
    return chooseFile(nullptr, FileMode::Open, title, {}, filter);
}

QString QtMessageSink::saveFileName(const QString& title, const QString& filter)
{
    return chooseFile(nullptr, FileMode::Save, title, {}, filter);
}
