// The tool's one monotonic clock: the quiet-gap rule, the built-in module, logs and timings
// all read it. Tests hand a ManualClock to what takes a Clock.
#pragma once

#include <QtGlobal>

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds on a clock that only moves forward.
    virtual qint64 nowMs() = 0;
};

class SystemClock : public Clock {
public:
    qint64 nowMs() override { return monotonicMs(); }
    // The same clock without an instance: milliseconds since it was first read.
    static qint64 monotonicMs() { return monotonicNs() / 1000000; }
    // The same, in nanoseconds, for intervals measured finer than a millisecond.
    static qint64 monotonicNs();
};

// A clock a test moves by hand.
class ManualClock : public Clock {
public:
    qint64 nowMs() override { return ms; }
    qint64 ms = 1000000;
};
