#include "editors/EditorParts.h"

#include "registry/RegValueUtils.h"

#include <QApplication>
#include <QColorDialog>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>

namespace EditorParts {

QLineEdit* nameField(QWidget* parent, const QString& valueName)
{
    auto* field = new QLineEdit(parent);
    field->setReadOnly(true);
    showName(field, valueName);
    return field;
}

void showName(QLineEdit* field, const QString& valueName)
{
    field->setText(valueName.isEmpty() ? DefaultValueCaption : valueName);
}

std::optional<RgbColor> colorDialog(QWidget* parent, const RgbColor& start)
{
    const QColor chosen = QColorDialog::getColor(QColor(start.red, start.green, start.blue), parent);
    if (!chosen.isValid())
        return std::nullopt;
    return RgbColor{chosen.red(), chosen.green(), chosen.blue()};
}

void enableWhileFocused(QWidget* field, const QList<QWidget*>& tools)
{
    for (QWidget* tool : tools) {
        // Clicking a tool must not take the focus from the field, or it would disable itself.
        tool->setFocusPolicy(Qt::NoFocus);
        tool->setEnabled(false);
    }
    QObject::connect(qApp, &QApplication::focusChanged, field, [field, tools](QWidget*, QWidget* now) {
        for (QWidget* tool : tools)
            tool->setEnabled(now == field);
    });
}

} // namespace EditorParts
