#include "Clock.h"

QDateTime SystemClock::LocalNow() const
{
    const qint64 second = QDateTime::currentSecsSinceEpoch();
    if (second != second_) {
        second_ = second;
        local_ = QDateTime::fromSecsSinceEpoch(second);
    }
    return local_;
}
