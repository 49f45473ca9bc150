#include "Clock.h"

QDateTime SystemClock::LocalNow() const
{
    return QDateTime::currentDateTime();
}
