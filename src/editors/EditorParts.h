#pragma once

// Pieces the value editors share.

#include "editors/EditorTexts.h"

#include <QList>
#include <QString>

#include <optional>

class QDialog;
class QLineEdit;
class QWidget;

namespace EditorParts {

// The read-only name field: the value name, "(Standard)" for the default value.
[[nodiscard]] QLineEdit* nameField(QWidget* parent, const QString& valueName = QString());
void showName(QLineEdit* field, const QString& valueName);
// The colour dialog, fully open; nothing when cancelled.
[[nodiscard]] std::optional<RgbColor> colorDialog(QWidget* parent, const RgbColor& start);
// Enables the tool buttons of an editor while its value field has the focus.
void enableWhileFocused(QWidget* field, const QList<QWidget*>& tools);

} // namespace EditorParts
