#pragma once

// A colour swatch that opens the colour dialog when clicked (or Space/Enter with the focus on it) and
// reports a changed colour. Choosing the colour it already shows, or cancelling, reports nothing.

#include <QColor>
#include <QPushButton>

#include <functional>

class TColorField final : public QPushButton {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TColorField)

public:
    explicit TColorField(QWidget* parent = nullptr);

    [[nodiscard]] QColor color() const { return m_color; }
    // Shows the colour; emits colorChanged only when it differs from the one shown.
    void setColor(const QColor& color);

    // The dialog a click opens: the colour shown in, the chosen colour out (invalid when cancelled).
    // Tests replace it.
    std::function<QColor(const QColor& current)> chooseColor;

    [[nodiscard]] QSize sizeHint() const override;

signals:
    void colorChanged(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void choose();

    QColor m_color = Qt::black;
};
