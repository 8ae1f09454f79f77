#include "annotations/TMemoForm.h"

#include "annotations/TMemoEditForm.h"
#include "info/TMultiText.h"
#include "platform/WinCase.h"
#include "registry/MessageSink.h"
#include "registry/RegMessageUtils.h"
#include "settings/OptionsStore.h"
#include "widgets/DialogButtons.h"

#include <QCheckBox>
#include <QDate>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int NoteRole = Qt::UserRole; // the row's whole note

QPushButton* button(const QString& text, const char* name)
{
    auto* b = new QPushButton(text);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

} // namespace

TMemoForm::TMemoForm(const QString& fileName, const QString& currentKeyPath, QWidget* parent)
    : QDialog(parent), m_fileName(fileName), m_currentKeyPath(currentKeyPath)
{
    runEditor = [](QDialog& editor) { return editor.exec() == QDialog::Accepted; };
    setObjectName(QStringLiteral("MemoForm"));
    setWindowTitle(QStringLiteral("Schlüsselnotizen"));
    m_list = new QTreeWidget;
    m_list->setObjectName(QStringLiteral("MemoListView"));
    m_list->setHeaderLabels({QStringLiteral("Datum"), QStringLiteral("Schlüssel")});
    m_list->setRootIsDecorated(false);
    m_list->setColumnWidth(0, 120);
    auto* box = new TMultiTextScrollBox;
    box->setObjectName(QStringLiteral("MemoPreview"));
    m_preview = box->multiText();
    m_format = new QCheckBox(QStringLiteral("Notizformatierungen zulassen"));
    m_format->setObjectName(QStringLiteral("FormatCheckBox"));
    m_format->setChecked(Options().memoFormat);

    auto* split = new QSplitter(Qt::Vertical);
    split->addWidget(m_list);
    split->addWidget(box);
    split->setSizes({200, 140});
    m_add = button(QStringLiteral("&Aktuellen Schlüssel &hinzufügen"), "AddButton");
    m_add->setEnabled(!currentKeyPath.isEmpty());
    m_edit = button(QStringLiteral("&Bearbeiten"), "EditButton");
    m_remove = button(QStringLiteral("&Entfernen"), "RemoveButton");
    auto* row = new QHBoxLayout;
    for (QPushButton* b : {m_add, m_edit, m_remove})
        row->addWidget(b);
    row->addStretch(1);
    row->addWidget(m_format);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(split, 1);
    layout->addLayout(row);
    layout->addWidget(OkCancelButtons(this));
    resize(620, 460);

    connect(m_add, &QPushButton::clicked, this, &TMemoForm::AddCurrentKeyClick);
    connect(m_edit, &QPushButton::clicked, this, &TMemoForm::EditClick);
    connect(m_remove, &QPushButton::clicked, this, &TMemoForm::RemoveClick);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, &TMemoForm::showText);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, &TMemoForm::EditClick);
    connect(m_format, &QCheckBox::toggled, this, &TMemoForm::showText);
    setNotes(NoteFile::loadShown(fileName, messageSink()), QString());
}

QList<KeyNote> TMemoForm::notes() const
{
    QList<KeyNote> notes;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = m_list->topLevelItem(i);
        KeyNote note = item->data(0, NoteRole).value<KeyNote>();
        note.flags = (item->checkState(0) == Qt::Checked ? KeyNote::Done : 0u) | (note.flags & KeyNote::HighPriority);
        notes.append(note);
    }
    return notes;
}

void TMemoForm::setNotes(QList<KeyNote> notes, const QString& selectKey)
{
    NoteFile::sortByDate(notes);
    m_list->clear();
    for (const KeyNote& note : notes) {
        QTreeWidgetItem* item = addRow(note);
        if (!selectKey.isEmpty() && note.keyPath == selectKey)
            m_list->setCurrentItem(item);
    }
    showText();
}

QTreeWidgetItem* TMemoForm::addRow(const KeyNote& note)
{
    auto* item = new QTreeWidgetItem(m_list, {note.date, note.keyPath});
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(0, note.done() ? Qt::Checked : Qt::Unchecked);
    item->setIcon(0, style()->standardIcon(note.important() ? QStyle::SP_MessageBoxWarning
                                                            : QStyle::SP_MessageBoxInformation));
    item->setData(0, NoteRole, QVariant::fromValue(note));
    return item;
}

void TMemoForm::showText()
{
    const QTreeWidgetItem* item = m_list->currentItem();
    const bool selected = item && item->isSelected();
    m_preview->setText(selected ? NoteFile::previewMarkup(item->data(0, NoteRole).value<KeyNote>().text,
                                                          m_format->isChecked())
                                : QString());
    updateButtons();
}

void TMemoForm::updateButtons()
{
    const bool selected = !m_list->selectedItems().isEmpty();
    m_edit->setEnabled(selected);
    m_remove->setEnabled(selected);
}

std::optional<KeyNote> TMemoForm::edit(const QString& caption, const KeyNote& note)
{
    TMemoEditForm editor(caption, note, this);
    if (!runEditor(editor))
        return std::nullopt;
    return editor.note();
}

void TMemoForm::AddCurrentKeyClick()
{
    const QList<KeyNote> current = notes();
    for (const KeyNote& note : current) {
        if (winEqualsNoCase(note.keyPath, m_currentKeyPath)) {
            ShowInfo(QStringLiteral("Schlüssel ist bereits vorhanden."));
            return;
        }
    }
    const KeyNote fresh{0, QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy")), m_currentKeyPath, {}};
    if (const auto added = edit(QStringLiteral("Schlüsselnotiz hinzufügen"), fresh))
        setNotes(current + QList<KeyNote>{*added}, added->keyPath);
}

void TMemoForm::EditClick()
{
    QTreeWidgetItem* item = m_list->currentItem();
    if (!item || !item->isSelected())
        return;
    const int row = m_list->indexOfTopLevelItem(item);
    QList<KeyNote> current = notes();
    if (const auto edited = edit(QStringLiteral("Schlüsselnotiz bearbeiten"), current[row])) {
        current[row] = *edited;
        setNotes(current, edited->keyPath);
    }
}

void TMemoForm::RemoveClick()
{
    for (QTreeWidgetItem* item : m_list->selectedItems())
        delete item;
    showText();
}

void TMemoForm::accept()
{
    const QList<KeyNote> all = notes();
    Options().memoWarn = NoteFile::anyOpenImportant(all);
    Options().memoFormat = m_format->isChecked();
    if (!NoteFile::save(all, m_fileName))
        ShowError(QStringLiteral("Die Notizen konnten nicht gespeichert werden."));
    QDialog::accept();
}
