#pragma once

#include <QByteArrayView>
#include <QString>

class DecoderSlot;

// An arrival pop-up shows at most this much of a message, so that its
// memory is bounded by this cap rather than by the message's size.
inline constexpr qsizetype PopupByteLimit = 1024 * 1024;

// The text of an arrival pop-up: the first PopupByteLimit bytes of the
// message as a person reads them (the decoder's readable form when the
// decoder is there, the received text otherwise), and, when the message is
// longer, a last line that says so and gives its whole size in bytes.
// Lines of more than a thousand characters are broken into lines of that
// length.
// fullSize is the message's size when `head` holds only its start.
QString PopupText(const DecoderSlot& decoder, QByteArrayView head, qint64 fullSize);
inline QString PopupText(const DecoderSlot& decoder, QByteArrayView message)
{
    return PopupText(decoder, message, message.size());
}
