#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

// Runs `action` on the first visible top-level widget of type W once one appears, from inside
// whatever modal loop is running by then.
// It keeps looking for about half a minute, which a loaded machine may need.
template<typename W>
void whenShown(std::function<void(W *)> action, int attempts = 6000)
{
    QTimer::singleShot(5, [action, attempts] {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (auto *wanted = qobject_cast<W *>(widget); wanted && wanted->isVisible()) {
                action(wanted);
                return;
            }
        }
        if (attempts > 0) whenShown<W>(action, attempts - 1);
    });
}

// Processes events until `done` holds or about two seconds have passed.
inline bool waitFor(const std::function<bool()> &done)
{
    for (int i = 0; i < 400 && !done(); ++i) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        QTimer timer;
        timer.setSingleShot(true);
        QEventLoop loop;
        QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        timer.start(5);
        loop.exec();
    }
    return done();
}
