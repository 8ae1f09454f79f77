#include "app/DialogProgress.h"

#include "app/TProcessDialog.h"

#include <QCoreApplication>
#include <QWidget>

namespace {
constexpr qint64 EventIntervalMillis = 25;
}

DialogProgress::DialogProgress(QWidget* owner, const QString& caption, const QString& text,
                               const QString& animationName)
    : m_owner(owner), m_dialog(std::make_unique<TProcessDialog>(owner))
{
    if (m_owner)
        m_owner->setEnabled(false);
    m_dialog->Caption = caption;
    m_dialog->Text = text;
    m_dialog->AnimationName = animationName;
    m_dialog->OnAbort = [this](bool abort) { m_abortRequested = abort; };
    // The dialog itself stays usable while its owner is disabled.
    m_dialog->setEnabled(true);
    m_dialog->show();
    QCoreApplication::processEvents();
    m_sinceEvents.start();
}

DialogProgress::~DialogProgress()
{
    m_dialog.reset();
    if (m_owner)
        m_owner->setEnabled(true);
}

void DialogProgress::step()
{
    if (m_sinceEvents.elapsed() < EventIntervalMillis)
        return;
    QCoreApplication::processEvents();
    m_sinceEvents.restart();
}
