#pragma once

#include <QByteArray>
#include <QByteArrayView>

// What follows from the bytes a session was given, in this order: whether
// they completed a line (which keeps an idle session from being closed);
// the replies to send; a message that went past the size limit, to be
// thrown away; the next bytes of the message being received; then either
// the close of the connection or the end of that message, which is to be
// stored now (and the session told the outcome), or that the session has
// more commands to answer and is to be called again once the replies are
// on their way.
struct SessionOutput {
    bool lineEnded = false;
    QByteArray replies;
    bool messageDropped = false;
    // Valid until the session is called again.
    QByteArrayView messageBytes;
    bool messageEnds = false;
    bool close = false;
    bool more = false;
};
