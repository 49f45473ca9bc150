#pragma once

#include <QDateTime>

// Where the current local time comes from, so tests can pin the second.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime LocalNow() const = 0;
};

class SystemClock : public Clock {
public:
    QDateTime LocalNow() const override;
};
