#include "search/TSearchForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QCheckBox* addBox(QGridLayout* grid, const QString& caption, const char* name, int row, int column)
{
    auto* box = new QCheckBox(caption);
    box->setObjectName(QLatin1String(name));
    grid->addWidget(box, row, column);
    return box;
}

} // namespace

TSearchForm::TSearchForm(const SearchCriteria& criteria, bool keySelected, QWidget* parent)
    : QDialog(parent), m_keySelected(keySelected)
{
    setObjectName(QStringLiteral("SearchForm"));
    setWindowTitle(QStringLiteral("Suchen"));
    m_history.load(SearchHistory::defaultFileName());
    buildControls();
    showCriteria(criteria);
    updateControls();
}

TSearchForm::~TSearchForm()
{
    // A history that cannot be written stays unsaved, without a message.
    (void)m_history.save(SearchHistory::defaultFileName());
}

void TSearchForm::buildControls()
{
    auto* textLabel = new QLabel(QStringLiteral("Suchen nach:"));
    m_text = new QComboBox;
    m_text->setObjectName(QStringLiteral("SearchTextComboBox"));
    m_text->setEditable(true);
    m_text->setInsertPolicy(QComboBox::NoInsert);
    m_text->setMinimumContentsLength(36);
    m_text->addItems(m_history.entries());
    m_text->installEventFilter(this);
    m_text->lineEdit()->installEventFilter(this);
    textLabel->setBuddy(m_text);

    auto* contents = new QGroupBox(QStringLiteral("Inhalte"));
    auto* contentGrid = new QGridLayout(contents);
    m_keys = addBox(contentGrid, QStringLiteral("S&chlüssel"), "keysCheckBox", 0, 0);
    m_values = addBox(contentGrid, QStringLiteral("&Werte"), "valuesCheckBox", 1, 0);
    m_data = addBox(contentGrid, QStringLiteral("&Daten"), "dataCheckBox", 2, 0);
    m_strings = addBox(contentGrid, QStringLiteral("REG_SZ"), "stringsCheckBox", 0, 1);
    m_dwords = addBox(contentGrid, QStringLiteral("REG_DWORD"), "dwordsCheckBox", 1, 1);
    m_binaries = addBox(contentGrid, QStringLiteral("REG_BINARY"), "binariesCheckBox", 2, 1);

    auto* options = new QGroupBox(QStringLiteral("Optionen"));
    auto* optionGrid = new QGridLayout(options);
    m_caseSensitive = addBox(optionGrid, QStringLiteral("Groß-/ &Kleinschreibung"), "caseSensitiveCheckBox", 0, 0);
    m_wholeText = addBox(optionGrid, QStringLiteral("&Nur ganze Wörter"), "wholeTextCheckBox", 1, 0);
    m_logical = addBox(optionGrid, QStringLiteral("&Logische Operatoren zulassen"), "logicalCheckBox", 2, 0);
    m_singleRoot =
        addBox(optionGrid, QStringLiteral("Suche nur im aktuellen &Hauptzweig "), "singleRootCheckBox", 0, 1);
    m_listResults = addBox(optionGrid, QStringLiteral("Sucherg&ebnisse auflisten"), "listResultsCheckBox", 1, 1);
    m_currentKey = addBox(optionGrid, QStringLiteral("Suche nur im ak&tuellen Schlüssel"), "currentKeyCheckBox", 2, 1);

    auto* buttons = new QDialogButtonBox;
    m_search = buttons->addButton(QStringLiteral("&Suchen"), QDialogButtonBox::AcceptRole);
    m_search->setObjectName(QStringLiteral("searchButton"));
    m_search->setDefault(true);
    buttons->addButton(QStringLiteral("Abbrechen"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &TSearchForm::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* textRow = new QHBoxLayout;
    textRow->addWidget(textLabel);
    textRow->addWidget(m_text, 1);
    auto* groups = new QHBoxLayout;
    groups->addWidget(contents);
    groups->addWidget(options, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(textRow);
    layout->addLayout(groups);
    layout->addWidget(buttons);

    connect(m_text, &QComboBox::editTextChanged, this, &TSearchForm::updateControls);
    for (QCheckBox* box : {m_keys, m_values, m_data, m_strings, m_dwords, m_binaries, m_wholeText, m_currentKey})
        connect(box, &QCheckBox::toggled, this, &TSearchForm::updateControls);
    // "Only the current root key" and "only the current key" exclude each other.
    connect(m_singleRoot, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            m_currentKey->setChecked(false);
    });
    connect(m_currentKey, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            m_singleRoot->setChecked(false);
    });
}

void TSearchForm::showCriteria(const SearchCriteria& criteria)
{
    m_text->setEditText(criteria.text);
    const DWORD flags = criteria.contentFlags;
    for (DWORD bit : {SearchFlags::SingleRoot, SearchFlags::OnlyCurrentKey, SearchFlags::ListResults,
                      SearchFlags::KeyNames, SearchFlags::ValueNames, SearchFlags::ValueData,
                      SearchFlags::StringTypes, SearchFlags::DWordType, SearchFlags::OtherTypes})
        checkBox(bit)->setChecked((flags & bit) != 0);
    // Both stored at once cannot be shown: the narrower one wins.
    if (m_currentKey->isChecked())
        m_singleRoot->setChecked(false);
    const DWORD compare = criteria.compareFlags;
    m_caseSensitive->setChecked((compare & CompareFlags::CaseSensitive) != 0);
    m_logical->setChecked((compare & CompareFlags::Logical) != 0);
    m_wholeText->setChecked((compare & CompareFlags::Substring) == 0);
}

QCheckBox* TSearchForm::checkBox(DWORD bit, bool compare) const
{
    if (compare) {
        switch (bit) {
        case CompareFlags::CaseSensitive: return m_caseSensitive;
        case CompareFlags::Substring: return m_wholeText;
        case CompareFlags::Logical: return m_logical;
        default: return nullptr;
        }
    }
    switch (bit) {
    case SearchFlags::SingleRoot: return m_singleRoot;
    case SearchFlags::OnlyCurrentKey: return m_currentKey;
    case SearchFlags::ListResults: return m_listResults;
    case SearchFlags::KeyNames: return m_keys;
    case SearchFlags::ValueNames: return m_values;
    case SearchFlags::ValueData: return m_data;
    case SearchFlags::StringTypes: return m_strings;
    case SearchFlags::DWordType: return m_dwords;
    case SearchFlags::OtherTypes: return m_binaries;
    default: return nullptr;
    }
}

SearchCriteria TSearchForm::criteria() const
{
    SearchCriteria criteria;
    criteria.text = m_text->currentText();
    criteria.contentFlags = 0;
    for (DWORD bit = SearchFlags::SingleRoot; bit <= SearchFlags::OtherTypes; bit <<= 1) {
        if (checkBox(bit)->isChecked())
            criteria.contentFlags |= bit;
    }
    criteria.compareFlags = 0;
    if (m_caseSensitive->isChecked())
        criteria.compareFlags |= CompareFlags::CaseSensitive;
    if (!m_wholeText->isChecked())
        criteria.compareFlags |= CompareFlags::Substring;
    if (m_logical->isChecked())
        criteria.compareFlags |= CompareFlags::Logical;
    return criteria;
}

void TSearchForm::updateControls()
{
    // Whole names and data leave no room for an expression.
    if (m_wholeText->isChecked())
        m_logical->setChecked(false);
    m_logical->setEnabled(!m_wholeText->isChecked());
    const SearchCriteria shown = criteria();
    m_search->setEnabled(CanStartSearch(shown.text, shown.contentFlags, m_keySelected));
}

void TSearchForm::accept()
{
    if (!m_search->isEnabled())
        return; // Enter in the text box while the search cannot run
    m_history.add(m_text->currentText());
    QDialog::accept();
}

bool TSearchForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::ControlModifier) {
            removeShownFromHistory();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TSearchForm::removeShownFromHistory()
{
    const QString shown = m_text->currentText();
    if (!m_history.remove(shown))
        return;
    const QSignalBlocker blocker(m_text);
    m_text->clear();
    m_text->addItems(m_history.entries());
    m_text->setEditText(QString());
    updateControls();
}
