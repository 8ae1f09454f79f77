#pragma once

// The code table popup of the binary editor: 16 x 16 cells for the codes 0 to 255, the code under the
// mouse in a status line, and " Abbruch " at its right end. A click on a cell reports the code and
// leaves the table open for more; " Abbruch " or a click outside closes it.

#include <QWidget>

class TCharTable final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TCharTable)

public:
    explicit TCharTable(QWidget* parent = nullptr);

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] int cellWidth() const;
    [[nodiscard]] int cellHeight() const;
    // Code of the cell at a point, -1 outside the grid.
    [[nodiscard]] int codeAt(const QPoint& pos) const;
    [[nodiscard]] QRect cancelRect() const;
    [[nodiscard]] int hotCode() const { return m_hot; }
    [[nodiscard]] static QString cellText(int code);

signals:
    void codeChosen(int code);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    int m_hot = -1;
};
