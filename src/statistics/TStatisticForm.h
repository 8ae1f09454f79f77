#pragma once

// The statistics dialog "Eigenschaften" of a key: when it first shows, it walks the key's subtree
// ("Bitte warten ..." in the chart meanwhile, the dialog staying responsive), then shows the counts,
// sizes, the key's last write time, a pie of the value counts and the largest string and binary value.
// Both buttons stop a walk still running; "Schlüssel &öffnen" hands the selected row's key and value to
// the main window.

#include "statistics/KeyStatistics.h"

#include <QDialog>
#include <QList>

class PieChart;
class QGridLayout;
class QLabel;
class QPushButton;
class QTreeWidget;

class TStatisticForm final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TStatisticForm)

public:
    // machineName: the connected machine, empty for the local registry.
    TStatisticForm(const QString& keyPath, const QString& machineName, QWidget* parent = nullptr);

    [[nodiscard]] bool walkDone() const { return m_done; }
    [[nodiscard]] const KeyStatistics& statistics() const { return m_statistics; }
    // After "Schlüssel &öffnen": the key and value (empty for the default value) to select.
    [[nodiscard]] QString openKeyPath() const { return m_openKeyPath; }
    [[nodiscard]] QString openValueName() const { return m_openValueName; }

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void runWalk();
    void showResult();
    void addLargestRow(const QString& caption, const LargestValue& largest);
    void OpenKeyClick();
    void requestStop();

    QString m_keyPath;
    KeyStatistics m_statistics;
    bool m_started = false;
    bool m_done = false;
    bool m_abortRequested = false;
    QString m_openKeyPath;
    QString m_openValueName;
    QLabel* m_keyLabel = nullptr;
    QGridLayout* m_lines = nullptr;
    QList<QLabel*> m_lineValues;
    PieChart* m_chart = nullptr;
    QTreeWidget* m_list = nullptr;
    QPushButton* m_openButton = nullptr;
};
