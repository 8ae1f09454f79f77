#pragma once

// A flat tool button: no frame until the pointer is over it or it is pressed; an
// icon or a short text, its hint as tool tip. The small buttons beside fields and in grid rows.

#include <QToolButton>

class TFlatButton final : public QToolButton {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TFlatButton)

public:
    explicit TFlatButton(const QString& hint, QWidget* parent = nullptr);
    TFlatButton(const QIcon& icon, const QString& hint, QWidget* parent = nullptr);
};
