#include "search/TReplaceForm.h"

#include "settings/OptionsStore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString findHistoryFile()
{
    return DataFile(QStringLiteral("rplscr.dat"));
}

QString replaceHistoryFile()
{
    return DataFile(QStringLiteral("replace.dat"));
}

QCheckBox* addBox(QVBoxLayout* layout, const QString& caption, const char* name, bool checked)
{
    auto* box = new QCheckBox(caption);
    box->setObjectName(QLatin1String(name));
    box->setChecked(checked);
    layout->addWidget(box);
    return box;
}

} // namespace

TReplaceForm::TReplaceForm(const ReplaceSettings& settings, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ReplaceForm"));
    setWindowTitle(QStringLiteral("Ersetzen"));
    m_findHistory.load(findHistoryFile());
    m_replaceHistory.load(replaceHistoryFile());

    m_find = historyBox(m_findHistory, "findComboBox");
    m_find->setEditText(settings.find);
    m_replacement = historyBox(m_replaceHistory, "replaceComboBox");
    m_replacement->setEditText(settings.replacement);
    auto* texts = new QFormLayout;
    texts->addRow(QStringLiteral("Zu ersetzender Begriff:"), m_find);
    texts->addRow(QStringLiteral("Ersetzen durch:"), m_replacement);

    auto* options = new QGroupBox(QStringLiteral("Optionen"));
    auto* boxes = new QVBoxLayout(options);
    const DWORD compare = settings.compareFlags;
    m_firstOnly = addBox(boxes, QStringLiteral("Nur &erstes Vorkommen"), "firstOnlyCheckBox",
                         (compare & ReplaceCompare::FirstOnly) != 0);
    m_confirm = addBox(boxes, QStringLiteral("&Bestätigung aller Registrierungseingriffe"), "confirmCheckBox",
                       (settings.runFlags & RunFlags::Confirm) != 0);
    m_caseSensitive = addBox(boxes, QStringLiteral("Groß-/ &Kleinschreibung"), "caseSensitiveCheckBox",
                             (compare & ReplaceCompare::CaseSensitive) != 0);
    m_wholeText = addBox(boxes, QStringLiteral("&Nur ganze Wörter"), "wholeTextCheckBox",
                         (compare & ReplaceCompare::Substring) == 0);
    m_warnings = addBox(boxes, QStringLiteral("&Warnungen anzeigen"), "warningsCheckBox",
                        (settings.runFlags & RunFlags::Warnings) != 0);

    auto* buttons = new QDialogButtonBox;
    m_ok = buttons->addButton(QStringLiteral("&Ok"), QDialogButtonBox::AcceptRole);
    m_ok->setObjectName(QStringLiteral("okButton"));
    m_ok->setDefault(true);
    m_all = buttons->addButton(QStringLiteral("Alles E&rsetzen"), QDialogButtonBox::ActionRole);
    m_all->setObjectName(QStringLiteral("replaceAllButton"));
    QPushButton* cancel = buttons->addButton(QStringLiteral("&Abbruch"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    connect(m_ok, &QPushButton::clicked, this, [this] { finish(false); });
    connect(m_all, &QPushButton::clicked, this, [this] { finish(true); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(texts);
    layout->addWidget(options);
    layout->addWidget(buttons);

    connect(m_find, &QComboBox::editTextChanged, this, &TReplaceForm::updateControls);
    connect(m_wholeText, &QCheckBox::toggled, this, &TReplaceForm::updateControls);
    updateControls();
}

TReplaceForm::~TReplaceForm()
{
    // Histories that cannot be written stay unsaved, without a message.
    (void)m_findHistory.save(findHistoryFile());
    (void)m_replaceHistory.save(replaceHistoryFile());
}

QComboBox* TReplaceForm::historyBox(const SearchHistory& history, const char* name)
{
    auto* box = new QComboBox;
    box->setObjectName(QLatin1String(name));
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setMinimumContentsLength(36);
    box->addItems(history.entries());
    box->installEventFilter(this);
    box->lineEdit()->installEventFilter(this);
    return box;
}

ReplaceSettings TReplaceForm::settings() const
{
    ReplaceSettings s;
    s.find = m_find->currentText();
    s.replacement = m_replacement->currentText();
    s.runFlags = (m_confirm->isChecked() ? RunFlags::Confirm : 0) | (m_warnings->isChecked() ? RunFlags::Warnings : 0);
    s.compareFlags = (m_caseSensitive->isChecked() ? ReplaceCompare::CaseSensitive : 0)
        | (m_wholeText->isChecked() ? 0 : ReplaceCompare::Substring)
        | (m_firstOnly->isChecked() ? ReplaceCompare::FirstOnly : 0);
    s.allRows = m_allRows;
    return s;
}

void TReplaceForm::updateControls()
{
    // A whole name or datum has no first occurrence among others.
    if (m_wholeText->isChecked())
        m_firstOnly->setChecked(false);
    m_firstOnly->setEnabled(!m_wholeText->isChecked());
    const bool hasText = !m_find->currentText().isEmpty();
    m_ok->setEnabled(hasText);
    m_all->setEnabled(hasText);
}

void TReplaceForm::finish(bool allRows)
{
    if (m_find->currentText().isEmpty())
        return; // Enter in a text box while there is nothing to replace
    m_allRows = allRows;
    m_findHistory.add(m_find->currentText());
    m_replaceHistory.add(m_replacement->currentText());
    accept();
}

bool TReplaceForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool inFind = watched == m_find || watched == m_find->lineEdit();
        const bool inReplacement = watched == m_replacement || watched == m_replacement->lineEdit();
        if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::ControlModifier && (inFind || inReplacement)) {
            QComboBox* box = inFind ? m_find : m_replacement;
            SearchHistory& history = inFind ? m_findHistory : m_replaceHistory;
            if (history.remove(box->currentText())) {
                const QSignalBlocker blocker(box);
                box->clear();
                box->addItems(history.entries());
                box->setEditText(QString());
                updateControls();
            }
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
