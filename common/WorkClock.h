#pragma once

#include <QElapsedTimer>

// Measures how long pieces of work take, so that a budget of work can be
// counted by tests in steps instead of in time.
class WorkClock {
public:
    virtual ~WorkClock() = default;
    // Nanoseconds since a fixed moment; never less than an earlier reading.
    virtual qint64 NowNs() = 0;
};

// The monotonic clock of the system.
class SteadyWorkClock : public WorkClock {
public:
    SteadyWorkClock() { started_.start(); }
    qint64 NowNs() override { return started_.nsecsElapsed(); }

private:
    QElapsedTimer started_;
};
