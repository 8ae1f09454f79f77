#include "editors/TBinaryForm.h"

#include "editors/BinaryImport.h"
#include "editors/EditorParts.h"
#include "editors/TCharTable.h"
#include "editors/THexBox.h"
#include "registry/MessageSink.h"
#include "widgets/DialogButtons.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QHBoxLayout>
#include <QScrollBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int Columns = 8;
constexpr int CounterDigits = 4;
constexpr int VisibleLines = 8;

} // namespace

TBinaryForm::TBinaryForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Binärwert bearbeiten"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_name = EditorParts::nameField(this);
    form->addRow(QStringLiteral("Name:"), m_name);

    auto* tools = new QHBoxLayout;
    m_table = new QToolButton(this);
    m_table->setText(QStringLiteral("Zeichentabelle"));
    m_table->setToolTip(QStringLiteral("Zeichentabelle"));
    m_import = new QToolButton(this);
    m_import->setText(QStringLiteral("Dateiimport"));
    m_import->setToolTip(QStringLiteral("Dateiimport"));
    tools->addWidget(m_table);
    tools->addWidget(m_import);
    tools->addStretch();
    form->addRow(QString(), tools);

    m_hex = new THexBox(this);
    m_hex->setHexColumns(Columns);
    m_hex->setHexCounterLen(CounterDigits);
    m_hex->setExtraCodes(128, 159);
    // Wide enough for counter, pairs and characters; a whole number of lines high.
    const int frame = 2 * m_hex->frameWidth();
    const int scrollBar = m_hex->verticalScrollBar()->sizeHint().width();
    m_hex->setFixedWidth((CounterDigits + 4 * Columns + 9) * m_hex->charWidth() + frame + scrollBar);
    m_hex->setFixedHeight(VisibleLines * m_hex->lineHeight() + frame);
    m_hex->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_hex->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    form->addRow(QStringLiteral("Wert:"), m_hex);
    layout->addLayout(form);
    layout->addWidget(OkCancelButtons(this));

    connect(m_table, &QToolButton::clicked, this, &TBinaryForm::CharTableClick);
    connect(m_import, &QToolButton::clicked, this, &TBinaryForm::ImportClick);
    EditorParts::enableWhileFocused(m_hex, {m_table, m_import});
    m_hex->setFocus();
}

void TBinaryForm::setValue(const QString& name, const QByteArray& data)
{
    EditorParts::showName(m_name, name);
    m_hex->setText(data);
}

QByteArray TBinaryForm::Text() const
{
    return m_hex->Text();
}

void TBinaryForm::CharTableClick()
{
    m_hex->setPane(HexEditState::Pane::Char);
    auto* table = new TCharTable(this);
    m_popup = table;
    connect(table, &TCharTable::codeChosen, m_hex, &THexBox::typeCode);
    connect(table, &QObject::destroyed, this, [this] { m_popup = nullptr; });
    table->move(m_hex->mapToGlobal(QPoint(0, m_hex->height())));
    table->show();
}

void TBinaryForm::ImportClick()
{
    const QString fileName =
        messageSink().openFileName(QStringLiteral("Dateiimport"), QStringLiteral("Alle Dateien (*.*)|*.*"));
    if (fileName.isEmpty())
        return;
    QByteArray data;
    if (ReadImportFile(fileName, data))
        m_hex->setText(data);
}
