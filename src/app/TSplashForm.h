#pragma once

// The start picture: borderless and centred. It closes by itself once the main window is showing and
// it has been seen for its minimum time; a click or Esc (also Enter or Space) closes it earlier, but
// never before the main window shows, so that no empty screen is left behind. It does not stay on top
// of the main window.

#include <QElapsedTimer>
#include <QPixmap>
#include <QPointer>
#include <QWidget>

class TSplashForm final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TSplashForm)

public:
    explicit TSplashForm(int minimumMillis = 1000);

    // The splash closes when this window shows (or at once when it already does).
    void setMainWindow(QWidget* mainWindow);
    // Waits ms milliseconds while the event loop serves the windows.
    static void waitServed(int ms);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Closes now when the main window shows and the time has passed (or the user asked), else later.
    void closeWhenDue();

    QPixmap m_picture;
    QPointer<QWidget> m_mainWindow;
    QElapsedTimer m_shown;
    int m_minimumMillis;
    bool m_userAsked = false;
};
