#include "app/TOptionForm.h"

#include "app/QtMessageSink.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const char* const RootNames[5] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS",
                                  "HKEY_CURRENT_CONFIG"};

QIcon swatch(const QColor& color)
{
    QPixmap pixmap(28, 14);
    pixmap.fill(color);
    QPainter p(&pixmap);
    p.setPen(Qt::black);
    p.drawRect(pixmap.rect().adjusted(0, 0, -1, -1));
    return QIcon(pixmap);
}

QString withExtension(const QString& fileName, const QString& extension)
{
    const QFileInfo info(fileName);
    const QString base = info.suffix().isEmpty() ? fileName : fileName.left(fileName.size() - info.suffix().size() - 1);
    return base + extension;
}

} // namespace

TOptionForm::TOptionForm(KavenOptions& options, const QString& slot6Name, QWidget* parent)
    : QDialog(parent), m_options(options)
{
    setWindowTitle(QStringLiteral("Optionen"));
    pickFolder = [this](const QString& current) {
        return QtMessageSink::chooseFile(this, QtMessageSink::FileMode::Folder, QString(), current);
    };
    pickInfoFile = [this](const QString& current) {
        return QtMessageSink::chooseFile(this, QtMessageSink::FileMode::Open, QString(), QFileInfo(current).path(),
                                         QStringLiteral("Informationsdatei (*.rgf)|*.rgf"));
    };

    m_pages = new QTabWidget(this);
    m_pages->addTab(buildGeneralPage(), QStringLiteral("Allgemein"));
    m_pages->addTab(buildExportPage(slot6Name), QStringLiteral("Dateiexport"));
    m_pages->addTab(buildInfoPage(), QStringLiteral("Informationen"));
    m_pages->addTab(buildPathPage(), QStringLiteral("Verzeichnisse"));

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("&Ok"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("&Abbruch"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pages);
    layout->addWidget(buttons);
    loadControls();
    resize(460, 340);
}

QWidget* TOptionForm::buildGeneralPage()
{
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    m_undoSpin = new QSpinBox(page);
    m_undoSpin->setRange(1, 1000);
    m_undoSpin->setObjectName(QStringLiteral("undoSpinEdit"));
    m_undoSpin->setMinimumWidth(80);
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    // An emptied field means the smallest capacity at once, not a value the dialog cannot keep.
    connect(m_undoSpin->findChild<QLineEdit*>(), &QLineEdit::textEdited, m_undoSpin, [this](const QString& text) {
        if (text.trimmed().isEmpty()) {
            m_undoSpin->setValue(1);
            m_undoSpin->findChild<QLineEdit*>()->setText(QStringLiteral("1"));
            m_undoSpin->selectAll();
        }
    });
    form->addRow(QStringLiteral("Rückgängig-Schritte:"), m_undoSpin);
    return page;
}

QWidget* TOptionForm::buildExportPage(const QString& slot6Name)
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    for (int i = 0; i < 6; ++i) {
        const QString name = i < 5 ? QString::fromLatin1(RootNames[i]) : slot6Name;
        m_rootBoxes[i] = new QCheckBox(name.isEmpty() ? QStringLiteral("HKEY_DYN_DATA") : name, page);
        m_rootBoxes[i]->setVisible(i < 5 || !slot6Name.isEmpty());
        layout->addWidget(m_rootBoxes[i]);
    }
    layout->addStretch();
    return page;
}

QWidget* TOptionForm::buildInfoPage()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* colorRow = new QHBoxLayout;
    colorRow->addWidget(new QLabel(QStringLiteral("Linkfarbe:"), page));
    m_colorButton = new QPushButton(page);
    m_colorButton->setIconSize(QSize(28, 14));
    connect(m_colorButton, &QPushButton::clicked, this, [this] {
        const QColor chosen = QColorDialog::getColor(m_color, this);
        if (chosen.isValid())
            setLinkColor(chosen);
    });
    colorRow->addWidget(m_colorButton);
    colorRow->addStretch();
    layout->addLayout(colorRow);
    m_bold = new QCheckBox(QStringLiteral("Fett"), page);
    m_italic = new QCheckBox(QStringLiteral("Kursiv"), page);
    m_underline = new QCheckBox(QStringLiteral("Unterstrichen"), page);
    for (QCheckBox* box : {m_bold, m_italic, m_underline}) {
        layout->addWidget(box);
        connect(box, &QCheckBox::toggled, this, &TOptionForm::updatePreview);
    }
    auto* group = new QGroupBox(QStringLiteral("Vorschau"), page);
    auto* groupLayout = new QVBoxLayout(group);
    m_preview = new QLabel(QStringLiteral("Testlink"), group);
    groupLayout->addWidget(m_preview);
    layout->addWidget(group);
    layout->addStretch();
    return page;
}

QWidget* TOptionForm::buildPathPage()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    m_paths = new QTableWidget(3, 3, page);
    m_paths->setHorizontalHeaderLabels({QStringLiteral("Eigenschaft"), QStringLiteral("Wert"), QString()});
    m_paths->verticalHeader()->hide();
    m_paths->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_paths->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    m_paths->horizontalHeader()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    m_paths->setSelectionMode(QAbstractItemView::SingleSelection);
    const QString names[3] = {QStringLiteral("Datenverzeichnis"), QStringLiteral("Strukturverzeichnis"),
                              QStringLiteral("Informationsdatei")};
    for (int row = 0; row < 3; ++row) {
        auto* name = new QTableWidgetItem(names[row]);
        name->setFlags(Qt::ItemIsEnabled);
        m_paths->setItem(row, 0, name);
        m_paths->setItem(row, 1, new QTableWidgetItem);
        auto* button = new QToolButton(m_paths);
        button->setText(QStringLiteral("..."));
        connect(button, &QToolButton::clicked, this, [this, row] { browsePath(row); });
        m_paths->setCellWidget(row, 2, button);
    }
    layout->addWidget(m_paths);
    return page;
}

void TOptionForm::loadControls()
{
    m_undoSpin->setValue(m_options.maxUndo);
    for (int i = 0; i < 6; ++i)
        m_rootBoxes[i]->setChecked(m_options.rootExport[i]);
    setLinkColor(fromColorRef(m_options.linkColor));
    m_bold->setChecked(m_options.linkStyle & 1);
    m_italic->setChecked(m_options.linkStyle & 2);
    m_underline->setChecked(m_options.linkStyle & 4);
    m_paths->item(0, 1)->setText(m_options.dataPath);
    m_paths->item(1, 1)->setText(m_options.structPath);
    m_paths->item(2, 1)->setText(m_options.infoFile);
    updatePreview();
}

void TOptionForm::setLinkColor(const QColor& color)
{
    m_color = color;
    m_colorButton->setIcon(swatch(color));
    updatePreview();
}

void TOptionForm::updatePreview()
{
    if (!m_preview)
        return;
    QFont font = m_preview->font();
    font.setBold(m_bold->isChecked());
    font.setItalic(m_italic->isChecked());
    font.setUnderline(m_underline->isChecked());
    m_preview->setFont(font);
    QPalette palette = m_preview->palette();
    palette.setColor(QPalette::WindowText, m_color);
    m_preview->setPalette(palette);
}

void TOptionForm::browsePath(int row)
{
    QTableWidgetItem* item = m_paths->item(row, 1);
    const QString chosen = row < 2 ? pickFolder(item->text()) : pickInfoFile(item->text());
    if (chosen.isEmpty())
        return;
    item->setText(row < 2 ? chosen : withExtension(chosen, QStringLiteral(".rgf")));
}

QColor TOptionForm::fromColorRef(quint32 ref)
{
    return QColor(int(ref & 0xFF), int((ref >> 8) & 0xFF), int((ref >> 16) & 0xFF));
}

quint32 TOptionForm::toColorRef(const QColor& color)
{
    return quint32(color.red()) | quint32(color.green()) << 8 | quint32(color.blue()) << 16;
}

void TOptionForm::accept()
{
    m_options.maxUndo = m_undoSpin->value();
    for (int i = 0; i < 6; ++i)
        m_options.rootExport[i] = m_rootBoxes[i]->isChecked();
    m_options.linkColor = toColorRef(m_color);
    m_options.linkStyle = (m_bold->isChecked() ? 1 : 0) | (m_italic->isChecked() ? 2 : 0) |
                          (m_underline->isChecked() ? 4 : 0);
    m_options.dataPath = m_paths->item(0, 1)->text();
    m_options.structPath = m_paths->item(1, 1)->text();
    m_options.infoFile = m_paths->item(2, 1)->text();
    QDialog::accept();
}
