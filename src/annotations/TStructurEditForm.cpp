#include "annotations/TStructurEditForm.h"

#include "annotations/StructureFile.h"
#include "registry/RegMessageUtils.h"
#include "widgets/DialogButtons.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TStructurEditForm::TStructurEditForm(const QString& directory, QWidget* parent)
    : QDialog(parent), m_directory(directory)
{
    setObjectName(QStringLiteral("StructurEditForm"));
    setWindowTitle(QStringLiteral("Struktur laden"));
    m_list = new QComboBox;
    m_list->setObjectName(QStringLiteral("StructureComboBox"));
    m_list->addItems(StructureFile::structureNames(directory));
    m_list->setCurrentIndex(-1);
    m_list->setMinimumContentsLength(28);
    m_list->installEventFilter(this);
    auto* label = new QLabel(QStringLiteral("Strukturen:"));
    label->setBuddy(m_list);
    QDialogButtonBox* buttons = OkCancelButtons(this);
    m_ok = buttons->findChild<QPushButton*>(QStringLiteral("okButton"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_list);
    layout->addStretch(1);
    layout->addWidget(buttons);
    resize(380, sizeHint().height());

    connect(m_list, &QComboBox::currentIndexChanged, this, &TStructurEditForm::updateOk);
    updateOk();
}

QString TStructurEditForm::fileName() const
{
    if (m_list->currentIndex() < 0)
        return {};
    return QDir(m_directory).filePath(m_list->currentText() + StructureFile::Extension);
}

void TStructurEditForm::DeleteChosen()
{
    const QString file = fileName();
    if (file.isEmpty() || !AskYesNo(QStringLiteral("Struktur wirklich löschen?")))
        return;
    if (!QFile::remove(file) && QFile::exists(file)) {
        ShowError(QStringLiteral("Die Struktur konnte nicht gelöscht werden."));
        return;
    }
    m_list->removeItem(m_list->currentIndex());
    m_list->setCurrentIndex(-1);
}

bool TStructurEditForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_list && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        DeleteChosen();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TStructurEditForm::updateOk()
{
    m_ok->setEnabled(m_list->currentIndex() >= 0);
}
