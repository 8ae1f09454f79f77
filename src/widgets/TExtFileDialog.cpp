#include "widgets/TExtFileDialog.h"

#include <QGridLayout>

TExtFileDialog::TExtFileDialog(QWidget* parent) : QFileDialog(parent)
{
    // Only Qt's own dialog has a layout that can take more controls.
    setOption(QFileDialog::DontUseNativeDialog);
}

void TExtFileDialog::setExtraControls(QWidget* controls)
{
    delete m_extra;
    m_extra = controls;
    // Qt's own dialog lays itself out on a grid; the controls take a new last row.
    if (auto* grid = qobject_cast<QGridLayout*>(layout()))
        grid->addWidget(controls, grid->rowCount(), 0, 1, grid->columnCount());
    else
        controls->setParent(this);
}
