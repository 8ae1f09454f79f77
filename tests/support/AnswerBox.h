#pragma once

// For widget tests only (needs QtWidgets): answers the next message box the way a user would.

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <functional>

// Once a message box is open: check looks at it, act answers it (a click or a key). A box that is still
// open a second later is closed, so that a box deaf to input fails the test instead of hanging it.
inline void answerBox(const std::function<void(QMessageBox*)>& check, const std::function<void(QMessageBox*)>& act)
{
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, check, act] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        check(box);
        act(box);
        QTimer::singleShot(1000, qApp, [deaf = QPointer<QMessageBox>(box)] {
            if (deaf)
                deaf->done(-1);
        });
    });
    poll->start(20);
}
