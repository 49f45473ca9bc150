#pragma once

#include "SessionIo.h"
#include "SessionSlot.h"

#include <QByteArray>
#include <QList>

// Stands in for the socket and the store around the protocol code: keeps
// every reply byte, the close, and each message handed to the store.
class RecordingSessionIo : public SessionIo {
public:
    void SendReply(QByteArrayView text) override { replies += text; }
    void CloseSession() override { ++closes; }
    bool StoreMessage(SessionSlot& slot) override
    {
        stored.append(slot.RecvBuffer);
        storedDomains.append(slot.FromDomain);
        return storeSucceeds;
    }

    QByteArray replies;
    int closes = 0;
    QList<QByteArray> stored;
    QList<QByteArray> storedDomains;
    bool storeSucceeds = true;
};
