#include "search/TPropertyExForm.h"

#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// Strings, DWORD values, binary values: the pie's segments and the legend boxes.
const QColor SegmentColors[3] = {Qt::red, Qt::green, Qt::blue};

class PieChart final : public QWidget {
public:
    explicit PieChart(const std::array<int, 3>& angles) : m_angles(angles) { setFixedSize(140, 140); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (m_angles[0] + m_angles[1] + m_angles[2] == 0)
            return; // no values, no pie
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::black);
        const QRectF box = QRectF(rect()).adjusted(4, 4, -4, -4);
        int start = 90; // from twelve o'clock, clockwise
        for (int i = 0; i < 3; ++i) {
            if (m_angles[i] == 0)
                continue;
            painter.setBrush(SegmentColors[i]);
            // Qt counts sixteenths of a degree, counter-clockwise.
            if (m_angles[i] == 360)
                painter.drawEllipse(box);
            else
                painter.drawPie(box, start * 16, -m_angles[i] * 16);
            start -= m_angles[i];
        }
    }

private:
    std::array<int, 3> m_angles;
};

QLabel* legendBox(const QColor& color)
{
    auto* box = new QLabel;
    box->setFixedSize(12, 12);
    box->setFrameShape(QFrame::Box);
    box->setAutoFillBackground(true);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Window, color);
    box->setPalette(palette);
    return box;
}

} // namespace

TPropertyExForm::TPropertyExForm(const QString& caption, const QString& machineName, const ResultCounts& counts,
                                 QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("PropertyExForm"));
    setWindowTitle(caption.isEmpty() ? QStringLiteral("Eigenschaften") : caption);

    auto* connection = new QLabel(connectionText(machineName));
    connection->setObjectName(QStringLiteral("connectionLabel"));
    auto* grid = new QGridLayout;
    const struct {
        const char* name;
        QString caption;
        int count;
        int color; // index into SegmentColors, -1 for none
    } rows[] = {{"keys", QStringLiteral("Schlüssel:"), counts.keys, -1},
                {"values", QStringLiteral("Werte:"), counts.values(), -1},
                {"strings", QStringLiteral("Zeichenfolgen:"), counts.strings, 0},
                {"dwords", QStringLiteral("DWord-Werte:"), counts.dwords, 1},
                {"binaries", QStringLiteral("Binärwerte:"), counts.binaries, 2}};
    int r = 0;
    for (const auto& row : rows) {
        if (row.color >= 0)
            grid->addWidget(legendBox(SegmentColors[row.color]), r, 0);
        grid->addWidget(new QLabel(row.caption), r, 1);
        auto* number = new QLabel(QString::number(row.count));
        number->setObjectName(QLatin1String(row.name) + QStringLiteral("Count"));
        number->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(number, r, 2);
        ++r;
    }
    grid->setColumnMinimumWidth(3, 12);

    auto* labels = new QVBoxLayout;
    labels->addLayout(grid);
    labels->addStretch(1);
    auto* figures = new QHBoxLayout;
    figures->addLayout(labels);
    figures->addWidget(new PieChart(counts.pieAngles()));

    auto* buttons = new QDialogButtonBox;
    buttons->addButton(QStringLiteral("&Schließen"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(connection);
    layout->addLayout(figures);
    layout->addWidget(buttons);
    // Wide enough for the whole caption in the title bar.
    const int captionWidth = fontMetrics().horizontalAdvance(windowTitle()) * 5 / 4 + 140;
    setFixedSize(qMax(sizeHint().width(), captionWidth), sizeHint().height());
}

QString TPropertyExForm::connectionText(const QString& machineName)
{
    return machineName.isEmpty() ? QStringLiteral("Lokaler PC") : QStringLiteral("Netzwerk PC: ") + machineName;
}
