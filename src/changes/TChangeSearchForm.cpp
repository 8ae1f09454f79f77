#include "changes/TChangeSearchForm.h"

#include "search/TextMatcher.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QCheckBox* checkBox(const QString& text, const char* name, bool checked, QLayout* layout)
{
    auto* box = new QCheckBox(text);
    box->setObjectName(QLatin1StringView(name));
    box->setChecked(checked);
    layout->addWidget(box);
    return box;
}

} // namespace

TChangeSearchForm::TChangeSearchForm(const ChangeSearchCriteria& c, QWidget* parent) : QDialog(parent)
{
    using namespace ChangeSearchFlags;
    setObjectName(QStringLiteral("ChangeSearchForm"));
    setWindowTitle(QStringLiteral("In Änderungen suchen"));
    auto* label = new QLabel(QStringLiteral("Suchen nach:"));
    m_text = new QLineEdit(c.text);
    m_text->setObjectName(QStringLiteral("searchEdit"));
    label->setBuddy(m_text);

    auto* contents = new QGroupBox(QStringLiteral("Inhalte"));
    contents->setObjectName(QStringLiteral("contentsGroup"));
    auto* contentBoxes = new QVBoxLayout(contents);
    m_key = checkBox(QStringLiteral("Suchen im &Schlüssel"), "keyCheckBox", (c.flags & Key) != 0, contentBoxes);
    m_wholePath
        = checkBox(QStringLiteral("Ganzer &Pfad"), "wholePathCheckBox", (c.flags & WholePath) != 0, contentBoxes);
    m_value = checkBox(QStringLiteral("Suchen im &Wert"), "valueCheckBox", (c.flags & Value) != 0, contentBoxes);

    auto* options = new QGroupBox(QStringLiteral("Optionen"));
    options->setObjectName(QStringLiteral("optionsGroup"));
    auto* optionBoxes = new QVBoxLayout(options);
    m_case = checkBox(QStringLiteral("Groß-/ &Kleinschreibung"), "caseCheckBox",
                      (c.compareFlags & CompareFlags::CaseSensitive) != 0, optionBoxes);
    m_wholeWords = checkBox(QStringLiteral("&Nur ganze Wörter"), "wholeWordsCheckBox",
                            (c.compareFlags & CompareFlags::Substring) == 0, optionBoxes);
    m_logical = checkBox(QStringLiteral("&Logische Operatoren zulassen"), "logicalCheckBox",
                         (c.compareFlags & CompareFlags::Logical) != 0, optionBoxes);

    auto* buttons = new QDialogButtonBox;
    m_ok = buttons->addButton(QStringLiteral("&Ok"), QDialogButtonBox::AcceptRole);
    m_ok->setObjectName(QStringLiteral("okButton"));
    m_ok->setDefault(true);
    m_markAll = buttons->addButton(QStringLiteral("Alles &markieren"), QDialogButtonBox::AcceptRole);
    m_markAll->setObjectName(QStringLiteral("markAllButton"));
    buttons->addButton(QStringLiteral("&Abbruch"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("cancelButton"));
    connect(m_markAll, &QPushButton::clicked, this, [this] { m_markAllChosen = true; });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_text, &QLineEdit::textChanged, this, &TChangeSearchForm::updateButtons);
    connect(m_key, &QCheckBox::toggled, this, &TChangeSearchForm::updateButtons);
    connect(m_value, &QCheckBox::toggled, this, &TChangeSearchForm::updateButtons);

    auto* textRow = new QHBoxLayout;
    textRow->addWidget(label);
    textRow->addWidget(m_text, 1);
    auto* groups = new QHBoxLayout;
    groups->addWidget(contents);
    groups->addWidget(options);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(textRow);
    layout->addLayout(groups);
    layout->addWidget(buttons);
    updateButtons();
}

void TChangeSearchForm::updateButtons()
{
    const bool ready = !m_text->text().isEmpty() && (m_key->isChecked() || m_value->isChecked());
    m_ok->setEnabled(ready);
    m_markAll->setEnabled(ready);
}

ChangeSearchCriteria TChangeSearchForm::criteria() const
{
    using namespace ChangeSearchFlags;
    ChangeSearchCriteria c;
    c.text = m_text->text();
    c.flags = (m_key->isChecked() ? Key : 0) | (m_wholePath->isChecked() ? WholePath : 0)
        | (m_value->isChecked() ? Value : 0) | (m_markAllChosen ? MarkAll : 0);
    c.compareFlags = (m_case->isChecked() ? CompareFlags::CaseSensitive : 0)
        | (m_wholeWords->isChecked() ? 0 : CompareFlags::Substring)
        | (m_logical->isChecked() ? CompareFlags::Logical : 0);
    return c;
}
