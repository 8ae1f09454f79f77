#pragma once

// The value properties dialog "Eigenschaften": the counts and sizes of a key's values in the value list
// (all rows, or the selected ones: then "(Auswahl)" in the title), the key and its last write time, and
// a pie of the value counts.

#include "statistics/ValueProperties.h"

#include <QDialog>

class TPropertyForm final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TPropertyForm)

public:
    // machineName: the connected machine, empty for the local registry.
    TPropertyForm(const QString& keyPath, const QString& machineName, const ValueProperties& counts,
                  bool selectionOnly, QWidget* parent = nullptr);
};
