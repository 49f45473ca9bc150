#pragma once

#include <QByteArray>

#include <optional>

// A complete message as the client sent it, and the domain of its sender.
struct ReceivedMessage {
    QByteArray domain;
    QByteArray bytes;
};

// What follows from the bytes a session was given, in this order: the
// replies to send, then either the close of the connection or a message to
// store (whose outcome the session must then be told).
struct SessionOutput {
    QByteArray replies;
    bool close = false;
    std::optional<ReceivedMessage> message;
};
