// Help of the main window: the help window (at most one, not modal), the quick help under F7 for every
// window of the program, and the read-me.

#include "mainwindow/TMainForm.h"

#include "help/QuickHelp.h"
#include "help/THelpForm.h"
#include "registry/RegMessageUtils.h"
#include "settings/OptionsStore.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

void TMainForm::buildHelp()
{
    m_quickHelp = new QuickHelp(this);
    qApp->installEventFilter(m_quickHelp);
}

void TMainForm::HelpContentsClick()
{
    if (!m_helpForm)
        m_helpForm = new THelpForm(this);
    if (m_helpForm->isMinimized())
        m_helpForm->showNormal();
    else
        m_helpForm->show();
    m_helpForm->raise();
    m_helpForm->activateWindow();
}

void TMainForm::QuickHelpClick()
{
    ShowInfo(QStringLiteral("Sie rufen die Schnellinfo (programmübergreifend) auf, indem Sie den Mauszeiger über "
                            "das gewünschte Steuerelement bewegen und die Taste F7 drücken."));
}

void TMainForm::ReadMeClick()
{
    const QString path = OptionsStore::sharedDataDirectory() + QStringLiteral("ReadMe.txt");
    if (!QFileInfo(path).isFile() || !QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        ShowError(QStringLiteral("Kann \"ReadMe.txt\" nicht öffnen."));
}
