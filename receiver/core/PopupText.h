#pragma once

#include <QByteArrayView>
#include <QString>

// An arrival pop-up shows at most this much of a message, so that its
// memory is bounded by this cap rather than by the message's size.
inline constexpr qsizetype PopupByteLimit = 1024 * 1024;

// The text of an arrival pop-up: the first PopupByteLimit bytes of the
// message as a person reads them, and, when the message is longer, a last
// line that says so and gives the whole size in bytes. fullSize is the
// message's size when `head` holds only its start.
QString PopupText(QByteArrayView head, qint64 fullSize);
inline QString PopupText(QByteArrayView message) { return PopupText(message, message.size()); }
