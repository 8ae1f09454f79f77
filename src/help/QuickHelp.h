#pragma once

// Quick help: an application-wide event filter. F7 pressed over a visible control that has a help
// context shows the control's short help in a borderless hint at the mouse pointer; F7 again over the
// same control, any key release, the pointer leaving the control or another active window hides it.

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QTimer>

class QWidget;
class QuickHelpHint;

class QuickHelp final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QuickHelp)
public:
    explicit QuickHelp(QObject* parent = nullptr);
    ~QuickHelp() override;

    // The control under a global point inside the window that has a help context, or null.
    [[nodiscard]] static QWidget* controlWithContext(QWidget* window, QPoint globalPos);
    // The help context of one control (0 for none).
    [[nodiscard]] static int contextOf(const QWidget* control);

    // The hint while it shows, else null.
    [[nodiscard]] QWidget* visibleHint() const;
    [[nodiscard]] QWidget* shownControl() const { return m_control; }
    void hide();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void toggleFor(QWidget* window);
    void checkPointer();

    QuickHelpHint* m_hint = nullptr;
    QPointer<QWidget> m_control;
    QRect m_controlRect; // screen rectangle of the control whose help shows
    QTimer m_pointerWatch;
};
