#pragma once

// A borderless hint window drawing markup with the wrapping renderer on the tool tip colours, sized to
// the text it wraps to a fixed width. It never takes the focus or the mouse.

#include <QWidget>

class TPopupHint : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TPopupHint)

public:
    TPopupHint();

    // The width the text wraps to (320 pixels unless set).
    void setTextWidth(int width) { m_textWidth = width; }
    // Pixels between the anchor point and the hint, so that the hint does not hide the pointer there.
    void setAnchorGap(int gap) { m_anchorGap = gap; }

    [[nodiscard]] QString markup() const { return m_markup; }
    // The window size the markup needs in the hint's font.
    [[nodiscard]] QSize sizeFor(const QString& markup) const;
    // Shows the markup below the global anchor point (above it when the screen has no room below),
    // kept on the screen horizontally.
    void showAt(const QString& markup, QPoint anchor);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_markup;
    int m_textWidth = 320;
    int m_anchorGap = 0;
};
