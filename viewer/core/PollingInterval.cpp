#include "PollingInterval.h"

#include <algorithm>

namespace {

constexpr int LongestSeconds = 65;

} // namespace

int PollingIntervalMs(QStringView text)
{
    if (text.isEmpty()) {
        return 0;
    }
    int seconds = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9') {
            return 0;
        }
        // Saturates, so a long row of digits cannot overflow.
        seconds = std::min(seconds * 10 + (c.unicode() - u'0'), LongestSeconds + 1);
    }
    return std::min(seconds, LongestSeconds) * 1000;
}
