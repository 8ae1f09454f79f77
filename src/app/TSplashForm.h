#pragma once

// The start picture: borderless, centred, on top. It stays until the user clicks it or presses Esc,
// and only closes once the main window is showing, so it never leaves an empty screen behind.

#include <QPixmap>
#include <QPointer>
#include <QWidget>

class TSplashForm final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TSplashForm)

public:
    TSplashForm();

    void setMainWindow(QWidget* mainWindow) { m_mainWindow = mainWindow; }
    // Waits ms milliseconds while the event loop serves the windows.
    static void waitServed(int ms);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void closeWhenMainWindowShows();

    QPixmap m_picture;
    QPointer<QWidget> m_mainWindow;
};
