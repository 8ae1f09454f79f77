#pragma once

// The value list of one key: columns "Name", "Typ", "Wert", "Größe". The unset or set default value
// stands first; all other rows are kept in the locale's case-sensitive order of their captions.
// Bulk filling goes between beginUpdate() and endUpdate() (one reset, one sort); outside that bracket
// single rows are inserted at their sorted place.

#include <QAbstractTableModel>
#include <QCollator>
#include <QList>
#include <QString>

#include <functional>

struct ValueRow {
    QString caption; // value name, "(Standard)" for the default value
    QString type;
    QString data;
    QString size;
    int image = 0;
    bool isDefault = false; // the default-value row (value name empty)

    // The value's name as the registry knows it.
    [[nodiscard]] QString valueName() const { return isDefault ? QString() : caption; }
    friend bool operator==(const ValueRow&, const ValueRow&) = default;
};

class ValueListModel final : public QAbstractTableModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ValueListModel)

public:
    enum Column { NameColumn = 0, TypeColumn, DataColumn, SizeColumn, ColumnCount };
    // Image number of a row (any column).
    static constexpr int ImageRole = Qt::UserRole + 1;

    explicit ValueListModel(QObject* parent = nullptr);

    // The unset default-value row.
    [[nodiscard]] static ValueRow unsetDefaultRow();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // An in-place edit of a name (column 0, not the default row) only asks: renameRequested is
    // emitted and the owner renames the value, then updates the row with setRow.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // Decoration for an image number (e.g. a QIcon from the GUI's image list); none by default.
    void setImageProvider(std::function<QVariant(int image)> provider);
    void setCollator(const QCollator& collator);

    void beginUpdate();
    void endUpdate();
    void clear();

    // Adds a row at its sorted place (inside an update: at the end until endUpdate sorts) and returns
    // its row (inside an update: -1, the place is known after endUpdate).
    int addRow(const ValueRow& row);
    // Replaces a row's texts; the row moves when its caption's place changes.
    void setRow(int row, const ValueRow& values);
    void removeRow(int row);
    [[nodiscard]] const ValueRow& row(int row) const { return m_rows.at(row); }
    [[nodiscard]] const QList<ValueRow>& rows() const { return m_rows; }
    // Row of the value with this name (empty: the default row), compared without regard to case; -1.
    [[nodiscard]] int findValue(const QString& name) const;

signals:
    void renameRequested(int row, const QString& newName);

private:
    [[nodiscard]] bool lessThan(const ValueRow& a, const ValueRow& b) const;
    [[nodiscard]] int sortedPosition(const ValueRow& row) const;
    void sortRows();

    QList<ValueRow> m_rows;
    QCollator m_collator;
    std::function<QVariant(int)> m_imageProvider;
    int m_updateDepth = 0;
};
