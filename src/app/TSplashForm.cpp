#include "app/TSplashForm.h"

#include "widgets/KavenIcons.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>

TSplashForm::TSplashForm(int minimumMillis)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint), m_picture(KavenIcons::splashPicture()),
      m_minimumMillis(minimumMillis)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setFocusPolicy(Qt::StrongFocus);
    setFixedSize(m_picture.size());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}

void TSplashForm::setMainWindow(QWidget* mainWindow)
{
    if (m_mainWindow)
        m_mainWindow->removeEventFilter(this);
    m_mainWindow = mainWindow;
    if (m_mainWindow)
        m_mainWindow->installEventFilter(this);
    closeWhenDue();
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

void TSplashForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_shown.isValid())
        m_shown.start();
    // Keys reach the splash while it is the only window.
    activateWindow();
    setFocus();
}

void TSplashForm::mousePressEvent(QMouseEvent*)
{
    m_userAsked = true;
    closeWhenDue();
}

void TSplashForm::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        m_userAsked = true;
        closeWhenDue();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

bool TSplashForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_mainWindow && event->type() == QEvent::Show)
        QTimer::singleShot(0, this, &TSplashForm::closeWhenDue);
    return QWidget::eventFilter(watched, event);
}

void TSplashForm::closeWhenDue()
{
    if (!m_mainWindow || !m_mainWindow->isVisible())
        return;
    const qint64 left = m_shown.isValid() ? m_minimumMillis - m_shown.elapsed() : 0;
    if (m_userAsked || left <= 0) {
        close();
        return;
    }
    QTimer::singleShot(int(left), this, &TSplashForm::closeWhenDue);
}
