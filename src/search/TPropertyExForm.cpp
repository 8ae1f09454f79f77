#include "search/TPropertyExForm.h"

#include "widgets/DialogButtons.h"
#include "widgets/PieChart.h"

#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

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
        int color; // pie segment, -1 for none
    } rows[] = {{"keys", QStringLiteral("Schlüssel:"), counts.keys, -1},
                {"values", QStringLiteral("Werte:"), counts.values(), -1},
                {"strings", QStringLiteral("Zeichenfolgen:"), counts.strings, 0},
                {"dwords", QStringLiteral("DWord-Werte:"), counts.dwords, 1},
                {"binaries", QStringLiteral("Binärwerte:"), counts.binaries, 2}};
    int r = 0;
    for (const auto& row : rows) {
        if (row.color >= 0)
            grid->addWidget(PieChart::legendBox(row.color), r, 0);
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

    QDialogButtonBox* buttons = CloseButtons(this);

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
