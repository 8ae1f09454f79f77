#pragma once

// The help window's row of command buttons: the buttons keep their natural widths and wrap onto
// further rows of 23 pixels when the window is too narrow for one row.

#include <QWidget>

class QAbstractButton;

class HelpButtonBar final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HelpButtonBar)
public:
    explicit HelpButtonBar(QWidget* parent = nullptr);

    void addButton(QAbstractButton* button);
    // The height the buttons take at that width.
    [[nodiscard]] int rowsHeight(int width) const { return arrange(width, false); }
    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // Places the buttons for the width (when place is set) and answers the height they take.
    int arrange(int width, bool place) const;

    QList<QAbstractButton*> m_buttons;
};
