#pragma once

#include "MessageStore.h"

#include <QByteArray>
#include <QList>

// A mail store that keeps what it is given.
class RecordingStore : public MessageStore {
public:
    std::unique_ptr<MessageWriter> BeginMessage(const QByteArray& domain) override
    {
        return std::make_unique<Writer>(*this, domain);
    }

    QList<QByteArray> messages;
    QList<QByteArray> domains;
    bool succeeds = true;

private:
    class Writer : public MessageWriter {
    public:
        Writer(RecordingStore& store, const QByteArray& domain) : store_(store), domain_(domain) {}
        void Append(QByteArrayView bytes) override { bytes_ += bytes; }
        bool Commit() override
        {
            store_.messages.append(bytes_);
            store_.domains.append(domain_);
            return store_.succeeds;
        }

    private:
        RecordingStore& store_;
        QByteArray domain_;
        QByteArray bytes_;
    };
};
