#pragma once

#include "Clock.h"

// A clock that shows whatever second the test sets.
class ManualClock : public Clock {
public:
    explicit ManualClock(QDateTime now = QDateTime(QDate(2003, 3, 25), QTime(14, 5, 9)))
        : now_(std::move(now))
    {
    }
    QDateTime LocalNow() const override { return now_; }
    void Set(const QDateTime& now) { now_ = now; }

private:
    QDateTime now_;
};
