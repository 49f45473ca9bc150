#pragma once

#include "MessageStore.h"

#include <QByteArray>
#include <QList>

// A mail store that keeps what it is given.
class RecordingStore : public MessageStore {
public:
    bool StoreMessage(const QByteArray& domain, const QByteArray& message) override
    {
        messages.append(message);
        domains.append(domain);
        return succeeds;
    }

    QList<QByteArray> messages;
    QList<QByteArray> domains;
    bool succeeds = true;
};
