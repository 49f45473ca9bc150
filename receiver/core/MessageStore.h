#pragma once

#include <QByteArray>

// Where a finished message goes: the sender's domain as the client gave it
// and the message bytes exactly as received.
class MessageStore {
public:
    virtual ~MessageStore() = default;
    // True when the message was stored.
    virtual bool StoreMessage(const QByteArray& domain, const QByteArray& message) = 0;
};
