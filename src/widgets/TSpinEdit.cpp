#include "widgets/TSpinEdit.h"

#include <QLineEdit>

TSpinEdit::TSpinEdit(QWidget* parent) : QSpinBox(parent)
{
    // Plain digits: a group separator would make "1.000" look like a fraction to German eyes.
    setGroupSeparatorShown(false);
    setAccelerated(true);
    connect(lineEdit(), &QLineEdit::textEdited, this, &TSpinEdit::textEdited);
}

void TSpinEdit::textEdited(const QString& text)
{
    if (!m_emptyBecomesMinimum || !text.trimmed().isEmpty())
        return;
    setValue(minimum());
    lineEdit()->setText(QString::number(minimum()));
    selectAll();
}
