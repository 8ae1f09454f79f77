#include "widgets/TFolderDialog.h"

#include "widgets/DialogButtons.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QStyle>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

constexpr int PathRole = Qt::UserRole + 1;
constexpr int LoadedRole = Qt::UserRole + 2;

// Kernel and runtime file systems are no drives a user keeps folders on.
[[nodiscard]] bool isDrive(const QStorageInfo& volume)
{
    const QString root = volume.rootPath();
    for (const char* system : {"/proc", "/sys", "/dev", "/run/user", "/snap"})
        if (root == QLatin1String(system) || root.startsWith(QLatin1String(system) + QLatin1Char('/')))
            return false;
    const QByteArray type = volume.fileSystemType();
    const bool network =
        type.contains("nfs") || type.contains("cifs") || type.contains("smb") || type.startsWith("fuse");
    // Containers bind single files (/etc/hosts) from a device: those are no folders.
    return (volume.device().startsWith("/dev/") || network) && QFileInfo(root).isDir();
}

QStandardItem* folderItem(const QString& text, const QString& path, const QIcon& icon)
{
    auto* item = new QStandardItem(icon, text);
    item->setData(path, PathRole);
    item->setEditable(false);
    // A stand-in child shows the expander until the folder is opened.
    item->appendRow(new QStandardItem);
    return item;
}

} // namespace

TFolderDialog::TFolderDialog(QWidget* parent)
    : QDialog(parent), m_model(new QStandardItemModel(this)), m_tree(new QTreeView), m_path(new QLabel)
{
    setObjectName(QStringLiteral("FolderDialog"));
    setWindowTitle(QStringLiteral("Ordner wählen"));
    m_tree->setObjectName(QStringLiteral("FolderTree"));
    m_tree->setModel(m_model);
    m_tree->header()->hide();
    m_tree->setUniformRowHeights(true);
    m_path->setObjectName(QStringLiteral("FolderPathLabel"));
    m_path->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_path->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    QStyle* s = style();
    auto* computer = new QStandardItem(s->standardIcon(QStyle::SP_ComputerIcon), QStringLiteral("Arbeitsplatz"));
    computer->setEditable(false);
    computer->setData(true, LoadedRole);
    const QString home = QDir::homePath();
    for (const QString& root : roots()) {
        const QIcon icon = s->standardIcon(root == home ? QStyle::SP_DirHomeIcon : QStyle::SP_DriveHDIcon);
        computer->appendRow(folderItem(root, root, icon));
    }
    m_model->appendRow(computer);
    m_tree->expand(computer->index());
    m_tree->setCurrentIndex(computer->index());

    connect(m_tree, &QTreeView::expanded, this,
            [this](const QModelIndex& index) { fill(m_model->itemFromIndex(index)); });
    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this, &TFolderDialog::selectionChanged);

    QDialogButtonBox* buttons = OkCancelButtons(this);
    m_ok = buttons->findChild<QPushButton*>(QStringLiteral("okButton"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tree, 1);
    layout->addWidget(m_path);
    layout->addWidget(buttons);
    selectionChanged();
    resize(420, 460);
}

QStringList TFolderDialog::roots()
{
    QStringList result{QDir::rootPath()};
    const QString home = QDir::homePath();
    if (home != QDir::rootPath())
        result << home;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes())
        if (!result.contains(volume.rootPath()) && isDrive(volume))
            result << volume.rootPath();
    return result;
}

// Lists the folder's subfolders once, when it is first opened.
void TFolderDialog::fill(QStandardItem* item)
{
    if (!item || item->data(LoadedRole).toBool())
        return;
    item->setData(true, LoadedRole);
    item->removeRows(0, item->rowCount());
    const QDir dir(item->data(PathRole).toString());
    const QIcon icon = style()->standardIcon(QStyle::SP_DirIcon);
    const auto sort = QDir::Name | QDir::IgnoreCase;
    const QFileInfoList visible = dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, sort);
    const QFileInfoList all = dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, sort);
    for (const QFileInfo& info : visible)
        item->appendRow(folderItem(info.fileName(), info.absoluteFilePath(), icon));
    for (const QFileInfo& info : all)
        if (info.isHidden())
            item->appendRow(folderItem(info.fileName(), info.absoluteFilePath(), icon));
}

void TFolderDialog::setFolder(const QString& path)
{
    const QString target = QDir::cleanPath(QDir(path).absolutePath());
    QStandardItem* computer = m_model->item(0);
    // The root that holds the folder most closely: a drive below "/" before "/" itself.
    QStandardItem* node = nullptr;
    qsizetype best = -1;
    for (int row = 0; row < computer->rowCount(); ++row) {
        const QString root = computer->child(row)->data(PathRole).toString();
        const QString prefix = root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/');
        const bool holds = target == root || target.startsWith(prefix);
        if (holds && root.size() > best) {
            node = computer->child(row);
            best = root.size();
        }
    }
    if (!node)
        return;
    for (const QString& name : target.mid(best).split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        fill(node);
        QStandardItem* next = nullptr;
        for (int row = 0; row < node->rowCount() && !next; ++row)
            if (node->child(row)->text() == name)
                next = node->child(row);
        if (!next)
            break;
        m_tree->expand(node->index());
        node = next;
    }
    m_tree->setCurrentIndex(node->index());
    m_tree->scrollTo(node->index());
}

QString TFolderDialog::folder() const
{
    return m_tree->currentIndex().data(PathRole).toString();
}

void TFolderDialog::selectionChanged()
{
    m_path->setText(folder());
    m_ok->setEnabled(!folder().isEmpty());
}

QString TFolderDialog::choose(QWidget* parent, const QString& title, const QString& start)
{
    TFolderDialog dialog(parent ? parent : QApplication::activeWindow());
    if (!title.isEmpty())
        dialog.setWindowTitle(title);
    if (!start.isEmpty())
        dialog.setFolder(start);
    return dialog.exec() == QDialog::Accepted ? dialog.folder() : QString();
}
