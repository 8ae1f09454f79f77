#include "annotations/TToolEditForm.h"

#include "registry/MessageSink.h"
#include "widgets/DialogButtons.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TToolEditForm::TToolEditForm(const ExternalTool& tool, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ToolEditForm"));
    setWindowTitle(QStringLiteral("Tools-Eigenschaften"));
    m_name = new QLineEdit(tool.name);
    m_name->setObjectName(QStringLiteral("NameEdit"));
    m_name->setMaxLength(ToolsFile::MaxNameLength);
    m_path = new QLineEdit(tool.path);
    m_path->setObjectName(QStringLiteral("PathEdit"));
    m_path->setMinimumWidth(320);
    // The file keeps the path up to the first "/" after the name; parameters may hold one.
    auto* browse = new QPushButton(QStringLiteral("&Durchsuchen"));
    browse->setObjectName(QStringLiteral("BrowseButton"));
    m_parameters = new QLineEdit(tool.parameters);
    m_parameters->setObjectName(QStringLiteral("ParametersEdit"));
    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(m_path, 1);
    pathRow->addWidget(browse);
    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("Programmname:"), m_name);
    fields->addRow(QStringLiteral("Programmpfad:"), pathRow);
    fields->addRow(QStringLiteral("Parameter:"), m_parameters);
    QDialogButtonBox* buttons = OkCancelButtons(this);
    m_ok = buttons->findChild<QPushButton*>(QStringLiteral("okButton"));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addStretch(1);
    layout->addWidget(buttons);

    connect(browse, &QPushButton::clicked, this, &TToolEditForm::BrowseClick);
    connect(m_name, &QLineEdit::textChanged, this, &TToolEditForm::updateOk);
    connect(m_path, &QLineEdit::textChanged, this, &TToolEditForm::updateOk);
    updateOk();
}

ExternalTool TToolEditForm::tool() const
{
    return {m_name->text(), m_path->text(), m_parameters->text()};
}

void TToolEditForm::BrowseClick()
{
    const QString file =
        messageSink().openFileName(QStringLiteral("Durchsuchen"), QStringLiteral("Alle Dateien (*.*)|*.*"));
    if (!file.isEmpty())
        m_path->setText(file);
}

void TToolEditForm::updateOk()
{
    m_ok->setEnabled(!m_name->text().isEmpty() && !m_path->text().isEmpty());
}
