#include "app/TSplashForm.h"

#include "widgets/KavenIcons.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>

TSplashForm::TSplashForm()
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_picture(KavenIcons::splashPicture())
{
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(m_picture.size());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}

void TSplashForm::waitServed(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void TSplashForm::paintEvent(QPaintEvent*)
{
    QPainter(this).drawPixmap(0, 0, m_picture);
}

void TSplashForm::mousePressEvent(QMouseEvent*)
{
    closeWhenMainWindowShows();
}

void TSplashForm::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape)
        closeWhenMainWindowShows();
}

void TSplashForm::closeWhenMainWindowShows()
{
    if (m_mainWindow && m_mainWindow->isVisible())
        close();
}
