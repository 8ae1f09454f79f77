#pragma once

// The watch list: one row per change notification ("Datum", "Zeit", "Schlüssel") with a check box
// that marks the row read, and the unread indicator of the status bar that goes with it.

#include <QAbstractTableModel>
#include <QDateTime>
#include <QList>
#include <QString>

struct WatchRow {
    QDateTime time;
    QString keyPath;
    bool read = false;
};

class WatchListModel final : public QAbstractTableModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WatchListModel)

public:
    enum Column { DateColumn = 0, TimeColumn, KeyColumn, ColumnCount };

    explicit WatchListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // The check box of the date column marks a row read or unread.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    [[nodiscard]] const QList<WatchRow>& rows() const { return m_rows; }
    // An unread row for a change of keyPath at time; the indicator shows the unread change.
    void addChange(const QString& keyPath, const QDateTime& time);
    // "Liste leeren": no rows, indicator off.
    void clear();
    // Every row read, indicator off.
    void markAllRead();

    // The unread indicator: the status panel's text, "1" after an unread change, "0" otherwise.
    [[nodiscard]] bool unread() const { return m_unread; }
    [[nodiscard]] QString indicatorText() const { return m_unread ? QStringLiteral("1") : QStringLiteral("0"); }

signals:
    void indicatorChanged(bool unread);

private:
    void setUnread(bool unread);

    QList<WatchRow> m_rows;
    bool m_unread = false;
};
