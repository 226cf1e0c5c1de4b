// Running the event loop in tests: for a while, or until something holds.
#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <functional>

namespace Wait {

// Runs the event loop (timers included) for `ms` milliseconds.
inline void pump(int ms)
{
    QDeadlineTimer deadline(ms);
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    } while (!deadline.hasExpired());
}

// Runs the event loop until `done` holds or `timeoutMs` passed; answers `done()`.
inline bool until(const std::function<bool()>& done, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

} // namespace Wait
