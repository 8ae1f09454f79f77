// "&Eigenschaften" of the main window: the key statistics when the key tree has the focus (or its
// context menu is open), the value properties when the value list has it.

#include "mainwindow/TMainForm.h"

#include "registry/RegUtils.h"
#include "registry/ValueListModel.h"
#include "statistics/TPropertyForm.h"
#include "statistics/TStatisticForm.h"
#include "statistics/ValueProperties.h"

#include <QAction>
#include <QTreeView>

void TMainForm::PropertiesClick()
{
    if (m_keyContextActive || treeFocused()) {
        const QModelIndex node = commandNode();
        if (nodeLevel(node) < 1)
            return; // the machine node has no key
        TStatisticForm form(GetNodePath(*m_treeModel, node), connectedMachine(), this);
        if (form.exec() == QDialog::Accepted && !form.openKeyPath().isEmpty())
            showFoundPosition(form.openKeyPath(), true, form.openValueName());
        return;
    }
    if (!listFocused() || nodeLevel(selectedNode()) < 1)
        return;
    const QList<int> selected = selectedRows();
    QList<ValueRow> rows;
    if (selected.isEmpty()) {
        rows = m_valueModel->rows();
    } else {
        for (int row : selected)
            rows << m_valueModel->row(row);
    }
    const ValueProperties counts = CountValueRows(m_currentKeyPath, rows);
    TPropertyForm form(m_currentKeyPath, connectedMachine(), counts, !selected.isEmpty(), this);
    form.exec();
}
