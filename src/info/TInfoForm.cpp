#include "info/TInfoForm.h"

#include "info/InfoPage.h"
#include "info/TMultiText.h"
#include "registry/RegUtils.h"
#include "widgets/KavenIcons.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const QString OverviewName = QStringLiteral("Informationsübersicht");

// Item data: the node's kind, and for entries their index in the file's list, for categories theirs.
constexpr int KindRole = Qt::UserRole;
constexpr int IndexRole = Qt::UserRole + 1;

QLabel* valueLabel(const QString& text)
{
    auto* label = new QLabel(text);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

TInfoForm::TInfoForm(const TInfoClass& info, const QColor& linkColor, int linkStyle, QWidget* parent)
    : QDialog(parent), m_info(info)
{
    setObjectName(QStringLiteral("InfoForm"));
    setWindowTitle(QStringLiteral("Informationen durchblättern"));

    auto* facts = new QFormLayout;
    facts->addRow(QStringLiteral("Betriebssystem:"), valueLabel(m_info.operatingSystemName()));
    facts->addRow(QStringLiteral("Version:"), valueLabel(QString::number(m_info.Version)));
    auto* rights = valueLabel(m_info.RightsNotice);
    rights->setObjectName(QStringLiteral("rightsLabel"));
    rights->setWordWrap(true);

    m_tree = new QTreeWidget;
    m_tree->setObjectName(QStringLiteral("entryTreeWidget"));
    m_tree->setHeaderHidden(true);
    // Long key paths scroll sideways rather than lose their last, telling part.
    m_tree->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_tree->header()->setStretchLastSection(false);
    auto* previewBox = new TMultiTextScrollBox;
    m_preview = previewBox->multiText();
    m_preview->setObjectName(QStringLiteral("previewMultiText"));
    m_preview->setLinkColor(linkColor);
    m_preview->setLinkStyle(linkStyle);
    m_preview->setImageLoader(LoadMarkupImage);
    auto* splitter = new QSplitter(Qt::Horizontal);
    splitter->addWidget(m_tree);
    splitter->addWidget(previewBox);
    splitter->setSizes({400, 440});
    splitter->setChildrenCollapsible(false);

    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("statusLabel"));
    m_status->setFrameShape(QFrame::StyledPanel);
    m_status->setFrameShadow(QFrame::Sunken);

    auto* buttons = new QDialogButtonBox;
    m_openButton = buttons->addButton(QStringLiteral("Schlüssel &öffnen"), QDialogButtonBox::AcceptRole);
    m_openButton->setObjectName(QStringLiteral("openKeyButton"));
    QPushButton* close = buttons->addButton(QStringLiteral("&Schließen"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("closeButton"));
    connect(m_openButton, &QPushButton::clicked, this, &TInfoForm::openKey);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(facts);
    layout->addWidget(rights);
    layout->addWidget(splitter, 1);
    layout->addWidget(m_status);
    layout->addWidget(buttons);
    resize(880, 560);

    connect(m_tree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { onCurrentChanged(current); });
    connect(m_tree, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        if (kindOf(item) == NodeKind::Entry)
            openKey();
    });
    fillTree();
}

void TInfoForm::fillTree()
{
    const QIcon categoryIcon = style()->standardIcon(QStyle::SP_DirIcon);
    const QIcon entryIcon = KavenIcons::icon(KavenIcons::KeyClosed);
    auto* root = new QTreeWidgetItem(m_tree, {OverviewName});
    root->setIcon(0, KavenIcons::icon(KavenIcons::Machine));
    root->setData(0, KindRole, int(NodeKind::Overview));
    QList<QTreeWidgetItem*> categories;
    for (int i = 0; i < m_info.Categories.size(); ++i) {
        auto* node = new QTreeWidgetItem(root, {m_info.Categories[i]});
        node->setIcon(0, categoryIcon);
        node->setData(0, KindRole, int(NodeKind::Category));
        node->setData(0, IndexRole, i);
        categories.append(node);
    }
    m_categoryNodes = int(categories.size());
    m_entryNodes = 0;
    // Without a category an entry has nowhere to be listed.
    for (int i = 0; !categories.isEmpty() && i < m_info.Entries.size(); ++i) {
        const InfoEntry& entry = m_info.Entries[i];
        auto* node = new QTreeWidgetItem(categories[m_info.categoryIndex(entry)],
                                         {ExcludeTrailingBackslash(entry.keyPath)});
        node->setIcon(0, entryIcon);
        node->setData(0, KindRole, int(NodeKind::Entry));
        node->setData(0, IndexRole, i);
        ++m_entryNodes;
    }
    root->setExpanded(true);
    m_tree->setCurrentItem(root);
    onCurrentChanged(root);
}

TInfoForm::NodeKind TInfoForm::kindOf(const QTreeWidgetItem* item)
{
    return item ? NodeKind(item->data(0, KindRole).toInt()) : NodeKind::Overview;
}

QString TInfoForm::statusText() const
{
    QString text = QStringLiteral("Kategorien: %1 - Schlüssel: %2").arg(m_categoryNodes).arg(m_entryNodes);
    const QTreeWidgetItem* item = m_tree->currentItem();
    const NodeKind kind = kindOf(item);
    if (kind == NodeKind::Entry)
        item = item->parent();
    if (kind != NodeKind::Overview)
        text += QStringLiteral(" [%1]").arg(item->childCount());
    return text;
}

void TInfoForm::onCurrentChanged(QTreeWidgetItem* current)
{
    QString preview;
    switch (kindOf(current)) {
    case NodeKind::Entry:
        preview = InfoPage::entryText(m_info.Entries[current->data(0, IndexRole).toInt()]);
        break;
    case NodeKind::Category:
        preview = InfoPage::headedText(m_info.Categories[current->data(0, IndexRole).toInt()], {});
        break;
    case NodeKind::Overview:
        preview = InfoPage::headedText(OverviewName, {});
        break;
    }
    if (m_preview->text() != preview)
        m_preview->setText(preview);
    m_openButton->setEnabled(kindOf(current) == NodeKind::Entry);
    m_status->setText(statusText());
}

void TInfoForm::openKey()
{
    const QTreeWidgetItem* item = m_tree->currentItem();
    if (kindOf(item) != NodeKind::Entry)
        return;
    m_chosen = m_info.Entries[item->data(0, IndexRole).toInt()].keyPath;
    accept();
}
