#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <memory>

// One message on its way into the store: its bytes are handed over as they
// arrive. Dropped without Commit (a 552, a closed connection), it leaves
// nothing behind.
class MessageWriter {
public:
    virtual ~MessageWriter() = default;
    virtual void Append(QByteArrayView bytes) = 0;
    // True when the message was stored.
    virtual bool Commit() = 0;
};

// Where finished messages go, by their sender domain.
class MessageStore {
public:
    virtual ~MessageStore() = default;
    virtual std::unique_ptr<MessageWriter> BeginMessage(const QByteArray& domain) = 0;

    // A message that is already whole. True when it was stored.
    bool StoreMessage(const QByteArray& domain, QByteArrayView bytes)
    {
        const std::unique_ptr<MessageWriter> writer = BeginMessage(domain);
        writer->Append(bytes);
        return writer->Commit();
    }
};
