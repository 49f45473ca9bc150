#include "MessageCollector.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

constexpr QByteArrayView EndMarker = "\r\n.\r\n";
constexpr QByteArrayView LineEnd = "\r\n";
constexpr qsizetype TailLength = EndMarker.size() - 1;

// A message that starts with "." CR LF is empty: the 354 reply counts as
// the line end before it.
constexpr QByteArrayView StartTail = "\r\n";

// Where `marker` first starts in `bytes`, or -1. The search jumps with
// memchr from one occurrence of the marker's first byte to the next, and
// compares only there: many times faster on message text than a general
// substring search, which the receiver would otherwise run over every byte.
qsizetype FindMarker(QByteArrayView bytes, QByteArrayView marker)
{
    if (bytes.size() < marker.size()) {
        return -1;
    }
    const char* const begin = bytes.data();
    const char* const last = begin + bytes.size() - marker.size();
    for (const char* at = begin; at <= last; ++at) {
        at = static_cast<const char*>(std::memchr(at, marker[0], size_t(last - at + 1)));
        if (!at) {
            return -1;
        }
        if (std::memcmp(at, marker.data(), size_t(marker.size())) == 0) {
            return at - begin;
        }
    }
    return -1;
}

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
    } else if (const qsizetype marker = FindMarker(bytes, EndMarker); marker >= 0) {
        used = marker + EndMarker.size();
        complete_ = true;
    }

    // A CR LF whose LF is among the new bytes; one split over the last Feed
    // shows in the seam.
    lineEnded_ = complete_ || seam.indexOf(LineEnd, tail_.size() - 1) >= 0 || FindMarker(bytes, LineEnd) >= 0;

    const QByteArrayView taken = bytes.first(used);
    size_ += used;
    if (used >= TailLength) {
        tail_ = taken.last(TailLength).toByteArray();
    } else {
        tail_ = tail_.append(taken).right(TailLength);
    }
    return used;
}
