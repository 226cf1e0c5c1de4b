// The time the quiet-gap rule is measured with. Tests hand in a clock of their own.
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
    qint64 nowMs() override;
};

// A clock a test moves by hand.
class ManualClock : public Clock {
public:
    qint64 nowMs() override { return ms; }
    qint64 ms = 1000000;
};
