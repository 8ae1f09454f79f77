#pragma once

// The pie of the three kinds of values (strings red, DWORD values green, binary values blue) that the
// properties dialogs draw, with the legend boxes beside their labels. Angles are whole degrees from
// twelve o'clock, clockwise; with all three zero no pie is drawn. Instead of the pie it can show a
// line of text while the counts are still being made.

#include <QColor>
#include <QString>
#include <QWidget>

#include <array>

class QLabel;

class PieChart final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PieChart)

public:
    explicit PieChart(const std::array<int, 3>& angles = {}, QWidget* parent = nullptr);

    void setAngles(const std::array<int, 3>& angles);
    // Shown instead of the pie while not empty.
    void setText(const QString& text);
    [[nodiscard]] QString text() const { return m_text; }

    // The colour of segment i (0 strings, 1 DWORD values, 2 binary values) in a small framed box.
    [[nodiscard]] static QLabel* legendBox(int segment);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::array<int, 3> m_angles;
    QString m_text;
};
