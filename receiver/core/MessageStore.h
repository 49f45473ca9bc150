#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <memory>

// One message on its way into the store, from its first byte to its end
// line: its bytes are handed over as they arrive, then it is committed.
// Dropped without a commit (a 552, a closed connection), it leaves nothing
// behind.
class MessageWriter {
public:
    virtual ~MessageWriter() = default;
    virtual void Append(QByteArrayView bytes) = 0;
    // True when the message was stored.
    virtual bool Commit() = 0;
};

// Where messages go, by their sender domain.
class MessageStore {
public:
    virtual ~MessageStore() = default;
    virtual std::unique_ptr<MessageWriter> BeginMessage(const QByteArray& domain) = 0;
};
