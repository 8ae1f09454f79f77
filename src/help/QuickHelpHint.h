#pragma once

// The borderless hint window of the quick help: markup drawn by the wrapping renderer on the tool tip
// colours, sized to the text.

#include <QWidget>

class QuickHelpHint final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QuickHelpHint)
public:
    QuickHelpHint();

    [[nodiscard]] QString markup() const { return m_markup; }
    // Shows the markup with the window's top-left corner near the global point, kept on the screen.
    void showAt(const QString& markup, QPoint globalPos);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_markup;
};
