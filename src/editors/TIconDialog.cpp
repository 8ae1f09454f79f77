#include "editors/TIconDialog.h"

#include "app/StoreFileGuard.h"

#include "registry/MessageSink.h"

#include <QDialogButtonBox>
#include <QImage>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

void inform(const QString& text)
{
    (void)messageSink().message(MessageKind::Info, QStringLiteral("Information"), text);
}

QIcon iconOf(const QByteArray& ico)
{
    QImage image;
    if (!image.loadFromData(ico, "ICO"))
        return {};
    return QIcon(QPixmap::fromImage(image));
}

} // namespace

TIconDialog::TIconDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Symbol wählen"));
    auto* layout = new QVBoxLayout(this);
    m_list = new QListWidget(this);
    m_list->setViewMode(QListView::IconMode);
    m_list->setIconSize(QSize(32, 32));
    m_list->setGridSize(QSize(48, 48));
    m_list->setResizeMode(QListView::Adjust);
    m_list->setMovement(QListView::Static);
    m_list->setMinimumSize(360, 160);
    layout->addWidget(m_list);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("Ok"), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    buttons->addButton(QStringLiteral("Abbruch"), QDialogButtonBox::RejectRole);
    QPushButton* browse = buttons->addButton(QStringLiteral("Durchsuchen"), QDialogButtonBox::ActionRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(browse, &QPushButton::clicked, this, &TIconDialog::BrowseClick);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    layout->addWidget(buttons);
}

bool TIconDialog::load(const QString& file, int index)
{
    QString path = file;
    if (path.isEmpty()) {
        path = FindShell32();
        if (path.isEmpty()) {
            inform(QStringLiteral("Kann Datei Shell32.dll nicht finden."));
            return false;
        }
    }
    if (RefuseStoreFile(path))
        return false;
    const QList<ExtractedIcon> icons = ExtractIconsFromFile(path);
    if (icons.isEmpty()) {
        inform(QStringLiteral("Diese Datei enthält keine Symbole."));
        return false;
    }
    m_file = path;
    m_list->clear();
    for (int i = 0; i < icons.size(); ++i) {
        auto* item = new QListWidgetItem(iconOf(icons[i].ico), QString(), m_list);
        item->setToolTip(QString::number(i));
    }
    m_list->setCurrentRow(std::max(0, IconListPosition(icons, index)));
    return true;
}

int TIconDialog::iconIndex() const
{
    return m_list->currentRow();
}

void TIconDialog::BrowseClick()
{
    const QString file = messageSink().openFileName(QStringLiteral("Durchsuchen"), QStringLiteral("Alle Dateien|*.*"));
    if (!file.isEmpty())
        (void)load(file, 0);
}

std::optional<QPair<QString, int>> TIconDialog::choose(QWidget* parent, const QString& file, int index)
{
    TIconDialog dialog(parent);
    if (!dialog.load(file, index) || dialog.exec() != QDialog::Accepted || dialog.iconIndex() < 0)
        return std::nullopt;
    return QPair<QString, int>(dialog.fileName(), dialog.iconIndex());
}
