// The main window's information page: the entry of the key information file for the selected key,
// its value links, the overview of all entries, copying the page and editing the file's source.

#include "mainwindow/TMainForm.h"

#include "info/InfoEditing.h"
#include "info/InfoPage.h"
#include "info/MultiTextUtils.h"
#include "info/TInfoClass.h"
#include "info/TInfoForm.h"
#include "info/TMultiText.h"
#include "mainwindow/EditCommands.h"
#include "mainwindow/NavigationCommands.h"
#include "registry/KeyTreeModel.h"
#include "registry/MessageSink.h"
#include "registry/RegKeyUtils.h"
#include "registry/RegMessageUtils.h"
#include "registry/RegUtils.h"
#include "registry/RegValueUtils.h"
#include "registry/ValueListModel.h"
#include "settings/OptionsStore.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>

namespace {

QColor fromColorRef(quint32 bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

QPushButton* pageButton(const QString& name, const QString& text, const QIcon& icon)
{
    auto* button = new QPushButton(icon, text);
    button->setObjectName(name);
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

} // namespace

QWidget* TMainForm::buildInfoPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("InfoPage"));
    auto* box = new TMultiTextScrollBox;
    box->setObjectName(QStringLiteral("InfoScrollBox1"));
    m_infoText = box->multiText();
    m_infoText->setObjectName(QStringLiteral("InfoMultiText1"));
    m_infoText->setFrameWidth(4);
    m_infoText->setImageLoader(LoadMarkupImage);
    connect(m_infoText, &TMultiText::link, this, &TMainForm::InfoMultiText1Link);

    QStyle* s = style();
    QPushButton* edit = pageButton(QStringLiteral("InfoButton1"), QStringLiteral("Informationen bearbeiten"),
                                   s->standardIcon(QStyle::SP_FileDialogDetailedView));
    QPushButton* browse = pageButton(QStringLiteral("InfoButton2"), QStringLiteral("Informationen durchblättern"),
                                     s->standardIcon(QStyle::SP_FileDialogContentsView));
    QPushButton* copy = pageButton(QStringLiteral("InfoButton3"), QStringLiteral("Informationen kopieren"),
                                   s->standardIcon(QStyle::SP_DialogSaveButton));
    connect(edit, &QPushButton::clicked, this, &TMainForm::InfoButton1Click);
    connect(browse, &QPushButton::clicked, this, &TMainForm::InfoButton2Click);
    connect(copy, &QPushButton::clicked, this, &TMainForm::InfoButton3Click);

    // The text takes the page; the three commands stand in a column at its right edge.
    auto* buttons = new QVBoxLayout;
    buttons->setContentsMargins(4, 4, 4, 4);
    for (QPushButton* button : {browse, copy, edit})
        buttons->addWidget(button);
    buttons->addStretch(1);
    auto* layout = new QHBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(box, 1);
    layout->addLayout(buttons);
    return page;
}

void TMainForm::ShowInformation(const QString& keyPath)
{
    m_infoText->setLinkColor(fromColorRef(Options().linkColor));
    m_infoText->setLinkStyle(int(Options().linkStyle));
    const QString text = InfoPage::pageText(Options().infoFile, keyPath, m_treeModel->text(m_treeModel->index(0, 0)));
    if (m_infoText->text() != text)
        m_infoText->setText(text);
}

TMultiText* TMainForm::infoText() const
{
    return m_infoText;
}

void TMainForm::InfoMultiText1Link(TMultiText* /*sender*/, int linkId)
{
    const InfoPage::LinkOutcome outcome =
        InfoPage::applyValueLink(m_infoText->text(), linkId, m_currentKeyPath, m_edit->undoList(), messageSink());
    if (outcome != InfoPage::LinkOutcome::Written)
        return;
    ShowKeyValues(m_currentKeyPath, *m_valueModel);
    UpdateCommands();
}

void TMainForm::InfoButton1Click()
{
    const QString infoFile = Options().infoFile;
    const QString lorewright = InfoEditing::lorewrightPath();
    if (lorewright.isEmpty()) {
        ShowError(InfoEditing::CannotStartText);
        return;
    }
    const QString source = InfoEditing::sourcePath(infoFile);
    if (!QFileInfo::exists(source)) {
        // A file without its source: its source is written from it first.
        if (!QFileInfo::exists(infoFile)) {
            ShowError(QStringLiteral("Infodatei nicht vorhanden."));
            return;
        }
        const InfoEditing::RunResult dumped =
            InfoEditing::runLorewright(lorewright, {QStringLiteral("dump"), infoFile, source});
        if (!dumped.ok()) {
            ShowError(dumped.started ? dumped.messages : InfoEditing::CannotStartText);
            return;
        }
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(source));
    if (!AskYesNo(QStringLiteral("Die Quelle der Informationsdatei ist im Texteditor geöffnet:\r\n") + source
                  + QStringLiteral("\r\n\r\nNach dem Speichern die Informationsdatei neu erstellen und laden?")))
        return;
    const InfoEditing::RunResult built =
        InfoEditing::runLorewright(lorewright, {QStringLiteral("build"), source, infoFile});
    if (!built.ok()) {
        ShowError(built.started ? built.messages : InfoEditing::CannotStartText);
        return;
    }
    ShowInformation(m_currentKeyPath);
}

void TMainForm::InfoButton2Click()
{
    TInfoClass info;
    if (!info.Load(Options().infoFile)) {
        ShowError(QStringLiteral("Infodatei nicht vorhanden."));
        return;
    }
    TInfoForm form(info, m_infoText->linkColor(), m_infoText->linkStyle(), this);
    if (form.exec() == QDialog::Accepted && !form.chosenKeyPath().isEmpty())
        openInfoKey(form.chosenKeyPath());
}

void TMainForm::openInfoKey(const QString& keyPath)
{
    if (!KeyExists(keyPath)) {
        if (!AskYesNo(QStringLiteral("Der angegebene Schlüssel existiert nicht.\r\nSoll er erstellt werden?")))
            return;
        if (CreateKeyPath(keyPath, true) != RegResult::Success)
            return;
        RefreshTree(); // the loaded tree learns of the new key
    }
    OpenKeyInTree(keyPath, *m_tree);
}

void TMainForm::InfoButton3Click()
{
    if (m_infoText->hasSelection())
        m_infoText->copySelection();
    else
        QApplication::clipboard()->setText(StripMarkup(m_infoText->text()));
}
