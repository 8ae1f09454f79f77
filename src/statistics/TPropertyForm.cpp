#include "statistics/TPropertyForm.h"

#include "registry/RegUtils.h"
#include "search/SearchResultList.h"
#include "search/TPropertyExForm.h"
#include "statistics/KeyStatistics.h"
#include "widgets/DialogButtons.h"
#include "widgets/PieChart.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString countAndSize(int count, qint64 size)
{
    return QString::number(count) + QStringLiteral(" (") + StatisticsSize(size) + QLatin1Char(')');
}

} // namespace

TPropertyForm::TPropertyForm(const QString& keyPath, const QString& machineName, const ValueProperties& counts,
                             bool selectionOnly, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("PropertyForm"));
    setWindowTitle(selectionOnly ? QStringLiteral("Eigenschaften (Auswahl)") : QStringLiteral("Eigenschaften"));

    auto* connection = new QLabel(TPropertyExForm::connectionText(machineName));
    connection->setObjectName(QStringLiteral("connectionLabel"));
    const struct {
        const char* name;
        QString caption;
        QString value;
        int segment; // -1 for none
    } rows[] = {
        {"values", QStringLiteral("Werte:"), QString::number(counts.values()), -1},
        {"strings", QStringLiteral("Zeichenfolgen:"), countAndSize(counts.strings, counts.stringSize), 0},
        {"dwords", QStringLiteral("DWord-Werte:"), countAndSize(counts.dwords, counts.dwordSize), 1},
        {"binaries", QStringLiteral("Binärwerte:"), countAndSize(counts.binaries, counts.binarySize), 2},
        {"total", QStringLiteral("Datengröße gesamt:"), StatisticsSize(counts.totalSize()), -1},
    };
    auto* grid = new QGridLayout;
    int r = 0;
    for (const auto& row : rows) {
        if (row.segment >= 0)
            grid->addWidget(PieChart::legendBox(row.segment), r, 0);
        grid->addWidget(new QLabel(row.caption), r, 1);
        auto* value = new QLabel(row.value);
        value->setObjectName(QLatin1String(row.name) + QStringLiteral("Label"));
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(value, r++, 2);
    }
    grid->setColumnMinimumWidth(3, 12);
    auto* labels = new QVBoxLayout;
    labels->addLayout(grid);
    labels->addStretch(1);
    ResultCounts pie;
    pie.strings = counts.strings;
    pie.dwords = counts.dwords;
    pie.binaries = counts.binaries;
    auto* figures = new QHBoxLayout;
    figures->addLayout(labels);
    figures->addWidget(new PieChart(pie.pieAngles()));

    auto* key = new QGridLayout;
    key->addWidget(new QLabel(QStringLiteral("Schlüssel:")), 0, 0);
    auto* keyLabel = new QLabel(keyPath);
    keyLabel->setObjectName(QStringLiteral("keyPathLabel"));
    keyLabel->setWordWrap(true);
    key->addWidget(keyLabel, 0, 1);
    const QDateTime time = GetKeyTime(keyPath);
    if (time != KeyTimeUnknown()) {
        key->addWidget(new QLabel(QStringLiteral("Letzter Schreibzugriff:")), 1, 0);
        auto* timeLabel = new QLabel(KeyTimeText(time));
        timeLabel->setObjectName(QStringLiteral("lastWriteLabel"));
        key->addWidget(timeLabel, 1, 1);
    }
    key->setColumnStretch(1, 1);

    QDialogButtonBox* buttons = CloseButtons(this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(connection);
    layout->addLayout(figures);
    layout->addLayout(key);
    layout->addWidget(buttons);
    setMinimumWidth(380);
}
