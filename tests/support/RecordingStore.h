#pragma once

#include "MessageStore.h"
#include "SessionSlot.h"

#include <QByteArray>
#include <QList>

// A mail store that keeps what it is given.
class RecordingStore : public MessageStore {
public:
    bool StoreMessage(SessionSlot& slot) override
    {
        messages.append(slot.RecvBuffer);
        domains.append(slot.FromDomain);
        return succeeds;
    }

    QList<QByteArray> messages;
    QList<QByteArray> domains;
    bool succeeds = true;
};
