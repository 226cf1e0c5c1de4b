#include "Clock.h"

#include <QElapsedTimer>

qint64 SystemClock::monotonicNs()
{
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return clock.nsecsElapsed();
}
