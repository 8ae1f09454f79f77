#pragma once

// A drop-down whose popup lists names with check boxes. A click on a name or its box, or Space or
// Enter on the current name, toggles it and reports the toggle; the popup stays open so that several
// names can be toggled in one go.

#include "widgets/TDropDown.h"

class QListWidget;
class QListWidgetItem;

class TDropDownCheckList final : public TDropDown {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TDropDownCheckList)

public:
    explicit TDropDownCheckList(QWidget* parent = nullptr);

    void addItem(const QString& name);
    [[nodiscard]] int count() const;
    [[nodiscard]] QString itemText(int index) const;
    [[nodiscard]] bool isItemChecked(int index) const;
    // Sets the state without reporting it.
    void setItemChecked(int index, bool checked);
    // Toggles and reports as a click on the name does.
    void toggleItem(int index);
    [[nodiscard]] QListWidget* list() const { return m_list; }

signals:
    void itemToggled(int index, bool checked);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fitList();

    QListWidget* m_list;
};
