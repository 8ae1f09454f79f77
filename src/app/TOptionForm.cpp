#include "app/TOptionForm.h"

#include "app/QtMessageSink.h"
#include "widgets/TColorField.h"
#include "widgets/TFolderDialog.h"
#include "widgets/TFramePanel.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

const char* const RootNames[5] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS",
                                  "HKEY_CURRENT_CONFIG"};

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
    pickFolder = [this](const QString& current) { return TFolderDialog::choose(this, QString(), current); };
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
    m_undoSpin = new TSpinEdit(page);
    m_undoSpin->setRange(1, 1000);
    m_undoSpin->setEmptyBecomesMinimum(true);
    m_undoSpin->setObjectName(QStringLiteral("undoSpinEdit"));
    m_undoSpin->setMinimumWidth(80);
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
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
    m_colorField = new TColorField(page);
    m_colorField->setObjectName(QStringLiteral("linkColorField"));
    connect(m_colorField, &TColorField::colorChanged, this, &TOptionForm::updatePreview);
    colorRow->addWidget(m_colorField);
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
    // On the background of the information page, where the links will stand.
    auto* panel = new TFramePanel(group);
    m_preview = new QLabel(QStringLiteral("Testlink"), panel);
    panel->contentLayout()->addWidget(m_preview);
    groupLayout->addWidget(panel);
    layout->addWidget(group);
    layout->addStretch();
    return page;
}

QWidget* TOptionForm::buildPathPage()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    m_paths = new TPropertyGrid(page);
    m_paths->setObjectName(QStringLiteral("pathGrid"));
    for (const char* name : {"Datenverzeichnis", "Strukturverzeichnis", "Informationsdatei"})
        m_paths->addRow(QString::fromUtf8(name), QString(), true);
    connect(m_paths, &TPropertyGrid::buttonClicked, this, &TOptionForm::browsePath);
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
    m_paths->setValue(0, m_options.dataPath);
    m_paths->setValue(1, m_options.structPath);
    m_paths->setValue(2, m_options.infoFile);
    updatePreview();
}

void TOptionForm::setLinkColor(const QColor& color)
{
    m_colorField->setColor(color);
}

QColor TOptionForm::linkColor() const
{
    return m_colorField->color();
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
    // Both roles: on the panel's document background the label draws with the text colour.
    palette.setColor(QPalette::WindowText, linkColor());
    palette.setColor(QPalette::Text, linkColor());
    m_preview->setPalette(palette);
}

void TOptionForm::browsePath(int row)
{
    const QString current = m_paths->value(row);
    const QString chosen = row < 2 ? pickFolder(current) : pickInfoFile(current);
    if (chosen.isEmpty())
        return;
    m_paths->setValue(row, row < 2 ? chosen : withExtension(chosen, QStringLiteral(".rgf")));
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
    m_options.linkColor = toColorRef(linkColor());
    m_options.linkStyle = (m_bold->isChecked() ? 1 : 0) | (m_italic->isChecked() ? 2 : 0) |
                          (m_underline->isChecked() ? 4 : 0);
    m_options.dataPath = m_paths->value(0);
    m_options.structPath = m_paths->value(1);
    m_options.infoFile = m_paths->value(2);
    QDialog::accept();
}
