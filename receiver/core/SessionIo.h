#pragma once

#include <QByteArrayView>

struct SessionSlot;

// What the protocol code asks of the session's surroundings: the socket
// for replies and the close, and the mail store.
class SessionIo {
public:
    virtual ~SessionIo() = default;
    virtual void SendReply(QByteArrayView text) = 0;
    virtual void CloseSession() = 0;
    // True when the message was stored.
    virtual bool StoreMessage(SessionSlot& slot) = 0;
};
