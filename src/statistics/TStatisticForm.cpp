#include "statistics/TStatisticForm.h"

#include "registry/Progress.h"
#include "registry/RegValueUtils.h"
#include "search/SearchResultList.h"
#include "search/TPropertyExForm.h"
#include "widgets/PieChart.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <iterator>

namespace {

// Serves the window system between steps of the walk (not at every value, which would cost more than
// the walk) and reports the dialog's stop request.
class FormProgress final : public Progress {
public:
    explicit FormProgress(const bool& abortRequested) : m_abort(abortRequested) { m_sinceEvents.start(); }
    void step() override
    {
        if (m_sinceEvents.elapsed() < 25)
            return;
        QCoreApplication::processEvents();
        m_sinceEvents.restart();
    }
    [[nodiscard]] bool abortRequested() const override { return m_abort; }
    void clearAbort() override {}

private:
    const bool& m_abort;
    QElapsedTimer m_sinceEvents;
};

// Segment of the pie a line's legend box shows, -1 for none.
int segmentOf(const QString& name)
{
    if (name == QLatin1String("Zeichenfolgen:"))
        return 0;
    if (name == QLatin1String("DWord-Werte:"))
        return 1;
    return name == QStringLiteral("Binärwerte:") ? 2 : -1;
}

} // namespace

TStatisticForm::TStatisticForm(const QString& keyPath, const QString& machineName, QWidget* parent)
    : QDialog(parent), m_keyPath(keyPath)
{
    setObjectName(QStringLiteral("StatisticForm"));
    setWindowTitle(QStringLiteral("Eigenschaften"));

    auto* connection = new QLabel(TPropertyExForm::connectionText(machineName));
    connection->setObjectName(QStringLiteral("connectionLabel"));
    m_keyLabel = new QLabel;
    m_keyLabel->setObjectName(QStringLiteral("keyPathLabel"));
    m_keyLabel->setToolTip(keyPath);
    m_keyLabel->setMinimumWidth(200);
    m_keyLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    // The rows stand from the start, so the layout does not change when the walk is done; the values
    // are filled in then (the last write time only where it is known).
    m_lines = new QGridLayout;
    m_lines->setColumnMinimumWidth(3, 12);
    const QString names[] = {QStringLiteral("Unterschlüssel:"), QStringLiteral("Werte:"),
                             QStringLiteral("Zeichenfolgen:"),  QStringLiteral("DWord-Werte:"),
                             QStringLiteral("Binärwerte:"),     QStringLiteral("Datengröße gesamt:"),
                             QStringLiteral("Letzter Schreibzugriff:")};
    for (int r = 0; r < int(std::size(names)); ++r) {
        if (const int segment = segmentOf(names[r]); segment >= 0)
            m_lines->addWidget(PieChart::legendBox(segment), r, 0);
        m_lines->addWidget(new QLabel(names[r]), r, 1);
        auto* value = new QLabel;
        value->setObjectName(QStringLiteral("line%1").arg(r));
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        value->setMinimumWidth(110);
        m_lines->addWidget(value, r, 2);
        m_lineValues.push_back(value);
    }
    auto* lines = new QVBoxLayout;
    lines->addLayout(m_lines);
    lines->addStretch(1);
    m_chart = new PieChart;
    m_chart->setObjectName(QStringLiteral("pieChart"));
    auto* figures = new QHBoxLayout;
    figures->addLayout(lines, 1);
    figures->addWidget(m_chart);

    m_list = new QTreeWidget;
    m_list->setObjectName(QStringLiteral("StatisticList"));
    m_list->setRootIsDecorated(false);
    m_list->setHeaderLabels({QStringLiteral("Information"), QStringLiteral("Wert"), QStringLiteral("Schlüssel")});
    m_list->setColumnWidth(0, 190);
    m_list->setColumnWidth(1, 120);
    m_list->setMinimumHeight(70);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this,
            [this] { m_openButton->setEnabled(m_list->selectedItems().size() == 1); });

    auto* buttons = new QDialogButtonBox;
    m_openButton = buttons->addButton(QStringLiteral("Schlüssel &öffnen"), QDialogButtonBox::ActionRole);
    m_openButton->setObjectName(QStringLiteral("OpenKeyButton"));
    m_openButton->setEnabled(false);
    QPushButton* close = buttons->addButton(QStringLiteral("&Schließen"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("CloseButton"));
    connect(m_openButton, &QPushButton::clicked, this, &TStatisticForm::OpenKeyClick);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(this, &QDialog::finished, this, &TStatisticForm::requestStop);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(connection);
    layout->addWidget(m_keyLabel);
    layout->addLayout(figures);
    layout->addWidget(m_list, 1);
    layout->addWidget(buttons);
    resize(640, 420);
}

void TStatisticForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_started)
        return;
    m_started = true;
    m_chart->setText(QStringLiteral("Bitte warten ..."));
    // After the first paint, so that the dialog and its text are on the screen while the walk runs.
    QTimer::singleShot(0, this, &TStatisticForm::runWalk);
}

void TStatisticForm::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    m_keyLabel->setText(m_keyLabel->fontMetrics().elidedText(m_keyPath, Qt::ElideMiddle, m_keyLabel->width()));
}

void TStatisticForm::runWalk()
{
    FormProgress progress(m_abortRequested);
    m_statistics = CollectStatistics(m_keyPath, progress).statistics;
    m_done = true;
    showResult();
}

void TStatisticForm::showResult()
{
    const QList<StatisticsLine> lines = StatisticsLines(m_statistics);
    for (int r = 0; r < int(m_lineValues.size()); ++r) {
        const bool shown = r < lines.size();
        m_lineValues[r]->setText(shown ? lines[r].value : QString());
        m_lineValues[r]->setVisible(shown);
        m_lines->itemAtPosition(r, 1)->widget()->setVisible(shown);
    }
    addLargestRow(LargestStringCaption(m_statistics), m_statistics.largestString);
    addLargestRow(LargestBinaryCaption(m_statistics), m_statistics.largestBinary);
    // The captions carry the sizes and the names can be long: both columns fit their text, the path takes
    // what is left and scrolls.
    m_list->resizeColumnToContents(0);
    m_list->resizeColumnToContents(1);
    ResultCounts counts;
    counts.strings = int(m_statistics.strings);
    counts.dwords = int(m_statistics.dwords);
    counts.binaries = int(m_statistics.binaries);
    m_chart->setText(QString());
    m_chart->setAngles(counts.pieAngles());
}

void TStatisticForm::addLargestRow(const QString& caption, const LargestValue& largest)
{
    if (caption.isEmpty())
        return;
    const QString name = largest.valueName.isEmpty() ? DefaultValueCaption : largest.valueName;
    auto* item = new QTreeWidgetItem(m_list, {caption, name, largest.keyPath});
    item->setData(1, Qt::UserRole, largest.valueName);
}

void TStatisticForm::OpenKeyClick()
{
    requestStop();
    const QList<QTreeWidgetItem*> selected = m_list->selectedItems();
    if (selected.size() != 1)
        return;
    m_openKeyPath = selected.first()->text(2);
    m_openValueName = selected.first()->data(1, Qt::UserRole).toString();
    accept();
}

void TStatisticForm::requestStop()
{
    m_abortRequested = true;
}
