#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The message of one DATA command as it arrives: every byte from the first
// one after the 354 reply through the end-of-data line (CR LF "." CR LF, or
// "." CR LF right at the start). Only the last few bytes are needed to find
// the end line across chunks; a message over the size limit is counted but
// not kept.
class MessageCollector {
public:
    static constexpr qsizetype MaxMessageBytes = 100 * 1024 * 1024;

    // Begins a new message.
    void Start();

    // Takes bytes up to and including the end-of-data line and returns how
    // many it took; what follows the end line is not the message's.
    qsizetype Feed(QByteArrayView bytes);

    bool Complete() const { return complete_; }
    bool Oversized() const { return size_ > MaxMessageBytes; }
    QByteArray TakeMessage();
    qsizetype HeldBytes() const { return message_.size(); }

private:
    QByteArray message_;
    QByteArray tail_; // the last bytes seen, for an end line split over chunks
    qsizetype size_ = 0;
    bool complete_ = false;
};
