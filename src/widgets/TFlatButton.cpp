#include "widgets/TFlatButton.h"

TFlatButton::TFlatButton(const QString& hint, QWidget* parent) : QToolButton(parent)
{
    setAutoRaise(true);
    setToolTip(hint);
    setAccessibleName(hint);
}

TFlatButton::TFlatButton(const QIcon& icon, const QString& hint, QWidget* parent) : TFlatButton(hint, parent)
{
    setIcon(icon);
}
