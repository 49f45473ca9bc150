#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The message of one DATA command as it arrives: every byte from the first
// one after the 354 reply through the end-of-data line (CR LF "." CR LF, or
// "." CR LF right at the start). It keeps no message bytes, only the last
// few, to find an end line split across chunks, and the count for the size
// limit; the bytes themselves go on to the store as they come.
class MessageCollector {
public:
    static constexpr qsizetype MaxMessageBytes = 100 * 1024 * 1024;

    // Begins a new message.
    void Start();

    // Takes bytes up to and including the end-of-data line and returns how
    // many it took; what follows the end line is not the message's.
    qsizetype Feed(QByteArrayView bytes);

    bool Complete() const { return complete_; }
    // Whether the bytes of the last Feed ended a line (CR LF).
    bool LineEnded() const { return lineEnded_; }
    bool Oversized() const { return size_ > MaxMessageBytes; }

private:
    QByteArray tail_; // the last bytes seen, for an end line split over chunks
    qsizetype size_ = 0;
    bool complete_ = false;
    bool lineEnded_ = false;
};
