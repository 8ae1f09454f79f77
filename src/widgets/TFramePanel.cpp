#include "widgets/TFramePanel.h"

#include <QVBoxLayout>

TFramePanel::TFramePanel(QWidget* parent) : QFrame(parent), m_layout(new QVBoxLayout(this))
{
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    m_layout->setContentsMargins(8, 6, 8, 6);
}
