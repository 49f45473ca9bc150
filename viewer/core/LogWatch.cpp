#include "LogWatch.h"

bool LogWatch::Changed() const
{
    return !logStamp_ || *logStamp_ != fileSystem_.Stamp(logPath_);
}

void LogWatch::Record()
{
    logStamp_ = fileSystem_.Stamp(logPath_);
}
