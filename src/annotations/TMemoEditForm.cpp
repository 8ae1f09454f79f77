#include "annotations/TMemoEditForm.h"

#include "annotations/NoteFile.h"
#include "widgets/DialogButtons.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString DateFormat = QStringLiteral("dd.MM.yyyy");
const QString Crlf = QStringLiteral("\r\n");

} // namespace

TMemoEditForm::TMemoEditForm(const QString& caption, const KeyNote& note, QWidget* parent)
    : QDialog(parent), m_doneBit(note.flags & KeyNote::Done)
{
    setObjectName(QStringLiteral("MemoEditForm"));
    setWindowTitle(caption);
    m_date = new QDateEdit;
    m_date->setObjectName(QStringLiteral("DateEdit"));
    m_date->setDisplayFormat(DateFormat);
    m_date->setCalendarPopup(true);
    const QDate date = QDate::fromString(note.date, DateFormat);
    m_date->setDate(date.isValid() ? date : QDate::currentDate());
    m_key = new QLineEdit(note.keyPath);
    m_key->setObjectName(QStringLiteral("KeyEdit"));
    m_priority = new QComboBox;
    m_priority->setObjectName(QStringLiteral("PriorityComboBox"));
    m_priority->addItems({QStringLiteral("Standard"), QStringLiteral("Hoch (Wichtig)")});
    m_priority->setCurrentIndex(note.important() ? 1 : 0);
    m_text = new QPlainTextEdit;
    m_text->setObjectName(QStringLiteral("MemoEdit"));
    // The editor works with bare line feeds; the file keeps CR LF pairs.
    m_text->setPlainText(QString(note.text).replace(Crlf, QStringLiteral("\n")));

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("Datum:"), m_date);
    fields->addRow(QStringLiteral("Schlüssel:"), m_key);
    fields->addRow(QStringLiteral("Priorität:"), m_priority);
    fields->addRow(QStringLiteral("Notiz:"), m_text);
    QDialogButtonBox* buttons = OkCancelButtons(this);
    m_ok = buttons->findChild<QPushButton*>(QStringLiteral("okButton"));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields, 1);
    layout->addWidget(buttons);
    resize(480, 340);

    connect(m_key, &QLineEdit::textChanged, this, &TMemoEditForm::updateOk);
    connect(m_text, &QPlainTextEdit::textChanged, this, &TMemoEditForm::updateOk);
    updateOk();
    (note.keyPath.isEmpty() ? static_cast<QWidget*>(m_key) : m_text)->setFocus();
}

KeyNote TMemoEditForm::note() const
{
    KeyNote note;
    note.flags = m_doneBit | (m_priority->currentIndex() == 1 ? KeyNote::HighPriority : 0u);
    note.date = m_date->date().toString(DateFormat);
    note.keyPath = m_key->text();
    note.text = m_text->toPlainText().replace(QLatin1Char('\n'), Crlf);
    return note;
}

void TMemoEditForm::updateOk()
{
    m_ok->setEnabled(!m_key->text().isEmpty() && !m_text->toPlainText().isEmpty());
}
