#include "editors/TDWordForm.h"

#include "editors/EditorParts.h"
#include "editors/TCharEdit.h"
#include "widgets/DialogButtons.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

TDWordForm::TDWordForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("DWord-Wert bearbeiten"));
    pickColor = [this](const RgbColor& start) { return EditorParts::colorDialog(this, start); };

    auto* layout = new QVBoxLayout(this);
    auto* nameRow = new QFormLayout;
    m_name = EditorParts::nameField(this);
    nameRow->addRow(QStringLiteral("Name:"), m_name);
    layout->addLayout(nameRow);

    auto* middle = new QHBoxLayout;
    auto* valueColumn = new QVBoxLayout;
    valueColumn->addWidget(new QLabel(QStringLiteral("Wert"), this));
    auto* valueRow = new QHBoxLayout;
    m_edit = new TCharEdit(this);
    // Wide enough for 32 binary digits.
    m_edit->setMinimumWidth(m_edit->fontMetrics().horizontalAdvance(QString(34, QLatin1Char('0'))) + 12);
    m_colorButton = new QPushButton(QStringLiteral("Farbwert wählen"), this);
    valueRow->addWidget(m_edit);
    valueRow->addWidget(m_colorButton);
    valueColumn->addLayout(valueRow);
    valueColumn->addStretch();
    middle->addLayout(valueColumn, 1);

    auto* baseBox = new QGroupBox(QStringLiteral("Basis"), this);
    auto* baseLayout = new QVBoxLayout(baseBox);
    auto* group = new QButtonGroup(this);
    const char* captions[] = {"&Hexadezimal", "&Dezimal", "O&ktal", "D&ual"};
    for (int i = 0; i < 4; ++i) {
        m_bases[size_t(i)] = new QRadioButton(QString::fromUtf8(captions[i]), baseBox);
        group->addButton(m_bases[size_t(i)], i);
        baseLayout->addWidget(m_bases[size_t(i)]);
    }
    m_bases[0]->setChecked(true);
    connect(group, &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (on)
            m_edit->setCharType(CharType(id));
    });
    middle->addWidget(baseBox);
    layout->addLayout(middle);
    layout->addWidget(OkCancelButtons(this));

    connect(m_colorButton, &QPushButton::clicked, this, &TDWordForm::colorClick);
    EditorParts::enableWhileFocused(m_edit, {m_colorButton});
    m_edit->setFocus();
}

void TDWordForm::setValue(const QString& name, const QString& hexText)
{
    EditorParts::showName(m_name, name);
    m_bases[0]->setChecked(true);
    m_edit->setText(hexText);
    m_edit->selectAll();
}

quint32 TDWordForm::value() const
{
    return m_edit->value();
}

void TDWordForm::colorClick()
{
    if (const auto color = pickColor(ColorOfDWord(m_edit->value())))
        m_edit->setValue(DWordOfColor(*color));
}
