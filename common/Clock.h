#pragma once

#include <QDateTime>

// Where the current local time comes from, so tests can pin the second.
class Clock {
public:
    virtual ~Clock() = default;
    // The local time to the second.
    virtual QDateTime LocalNow() const = 0;
};

// Converts to local time once per second: the conversion asks the system
// for its time zone file every time.
class SystemClock : public Clock {
public:
    QDateTime LocalNow() const override;

private:
    mutable qint64 second_ = -1;
    mutable QDateTime local_;
};
