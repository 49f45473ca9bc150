#include "MessageCollector.h"

#include <algorithm>
#include <utility>

namespace {

constexpr QByteArrayView EndMarker = "\r\n.\r\n";
constexpr QByteArrayView LineEnd = "\r\n";
constexpr qsizetype TailLength = EndMarker.size() - 1;

// A message that starts with "." CR LF is empty: the 354 reply counts as
// the line end before it.
constexpr QByteArrayView StartTail = "\r\n";

} // namespace

void MessageCollector::Start()
{
    tail_ = StartTail.toByteArray();
    size_ = 0;
    complete_ = false;
}

qsizetype MessageCollector::Feed(QByteArrayView bytes)
{
    QByteArray seam = tail_;
    seam.append(bytes.first(std::min(TailLength, bytes.size())));
    qsizetype used = bytes.size();
    const qsizetype seamMarker = seam.indexOf(EndMarker);
    if (seamMarker >= 0 && seamMarker < tail_.size()) {
        used = seamMarker + EndMarker.size() - tail_.size();
        complete_ = true;
    } else if (const qsizetype marker = bytes.indexOf(EndMarker); marker >= 0) {
        used = marker + EndMarker.size();
        complete_ = true;
    }

    // A CR LF whose LF is among the new bytes; one split over the last Feed
    // shows in the seam.
    lineEnded_ = complete_ || seam.indexOf(LineEnd, tail_.size() - 1) >= 0 || bytes.contains(LineEnd);

    const QByteArrayView taken = bytes.first(used);
    size_ += used;
    if (used >= TailLength) {
        tail_ = taken.last(TailLength).toByteArray();
    } else {
        tail_ = tail_.append(taken).right(TailLength);
    }
    return used;
}
