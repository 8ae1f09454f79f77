#include "editors/TStringForm.h"

#include "editors/EditorParts.h"
#include "editors/TIconDialog.h"
#include "registry/MessageSink.h"
#include "registry/RegMessageUtils.h"
#include "widgets/DialogButtons.h"
#include "widgets/TFlatButton.h"
#include "widgets/TFolderDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// Four colour squares.
QIcon colourIcon()
{
    QPixmap pixmap(16, 16);
    QPainter painter(&pixmap);
    painter.fillRect(0, 0, 8, 8, Qt::red);
    painter.fillRect(8, 0, 8, 8, Qt::green);
    painter.fillRect(0, 8, 8, 8, Qt::blue);
    painter.fillRect(8, 8, 8, 8, Qt::yellow);
    return QIcon(pixmap);
}

} // namespace

TStringForm::TStringForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Zeichenfolge bearbeiten"));
    pickFolder = [this] { return TFolderDialog::choose(this, QStringLiteral("Pfad wählen"), QString()); };
    pickFile = [] {
        return messageSink().openFileName(QStringLiteral("Datei wählen"), QStringLiteral("Alle Dateien (*.*)|*.*"));
    };
    pickColor = [this](const RgbColor& start) { return EditorParts::colorDialog(this, start); };
    pickIcon = [this](const QString& file, int index) { return TIconDialog::choose(this, file, index); };

    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_name = EditorParts::nameField(this);
    form->addRow(QStringLiteral("Name:"), m_name);
    auto* valueRow = new QHBoxLayout;
    m_edit = new QPlainTextEdit(this);
    m_edit->setObjectName(QStringLiteral("StringValueEdit"));
    m_edit->setMinimumWidth(420);
    m_edit->setTabChangesFocus(true);
    m_edit->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_edit->setFixedHeight(m_edit->fontMetrics().lineSpacing() * 5 + 12);
    m_edit->installEventFilter(this);
    valueRow->addWidget(m_edit, 1);
    m_path = new TFlatButton(style()->standardIcon(QStyle::SP_DirOpenIcon), QStringLiteral("Pfad wählen"), this);
    m_file = new TFlatButton(style()->standardIcon(QStyle::SP_FileIcon), QStringLiteral("Datei wählen"), this);
    m_color = new TFlatButton(colourIcon(), QStringLiteral("Farbe wählen"), this);
    m_icon = new TFlatButton(style()->standardIcon(QStyle::SP_DesktopIcon), QStringLiteral("Symbol wählen"), this);
    for (QToolButton* b : {m_path, m_file, m_color, m_icon})
        valueRow->addWidget(b);
    form->addRow(QStringLiteral("Wert:"), valueRow);
    layout->addLayout(form);
    layout->addWidget(OkCancelButtons(this));

    connect(m_path, &QToolButton::clicked, this, &TStringForm::PathClick);
    connect(m_file, &QToolButton::clicked, this, &TStringForm::FileClick);
    connect(m_color, &QToolButton::clicked, this, &TStringForm::ColorClick);
    connect(m_icon, &QToolButton::clicked, this, &TStringForm::IconClick);
    EditorParts::enableWhileFocused(m_edit, {m_path, m_file, m_color, m_icon});
    m_edit->setFocus();
}

bool TStringForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_edit && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // Enter closes with OK as in a one-line field; Shift+Enter starts a new line.
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && !(key->modifiers() & Qt::ShiftModifier)) {
            accept();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TStringForm::setValue(const QString& name, const QString& text)
{
    EditorParts::showName(m_name, name);
    m_edit->setPlainText(text);
    m_edit->selectAll();
}

QString TStringForm::text() const
{
    return m_edit->toPlainText();
}

void TStringForm::PathClick()
{
    const QString folder = pickFolder();
    if (!folder.isEmpty())
        m_edit->setPlainText(folder);
}

void TStringForm::FileClick()
{
    const QString file = pickFile();
    if (!file.isEmpty())
        m_edit->setPlainText(file);
}

void TStringForm::ColorClick()
{
    RgbColor start;
    if (!ParseColorText(m_edit->toPlainText(), start)) {
        if (!AskYesNo(QStringLiteral("Es ist kein Farbwert vorhanden.\r\nTrotzdem weitermachen?")))
            return;
        start = RgbColor{};
    }
    if (const auto color = pickColor(start))
        m_edit->setPlainText(ColorText(*color));
}

void TStringForm::IconClick()
{
    QString file;
    int index = 0;
    if (!ParseIconLocation(m_edit->toPlainText(), file, index)) {
        if (!AskYesNo(QStringLiteral("Es ist kein Icon vorhanden.\r\nTrotzdem weitermachen?")))
            return;
        file.clear();
        index = 0;
    }
    if (const auto chosen = pickIcon(file, index))
        m_edit->setPlainText(IconLocationText(chosen->first, chosen->second));
}
