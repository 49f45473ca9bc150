#pragma once

struct SessionSlot;

// Where a finished message goes. The slot's buffer holds the message as
// received (end marker and any text behind it included) and its sender
// domain; the store may replace the buffer's text.
class MessageStore {
public:
    virtual ~MessageStore() = default;
    // True when the message was stored.
    virtual bool StoreMessage(SessionSlot& slot) = 0;
};
