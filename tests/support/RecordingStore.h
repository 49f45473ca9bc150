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
    qsizetype appended = 0; // bytes handed over, committed or not
    int abandoned = 0;      // messages dropped without a commit

private:
    class Writer : public MessageWriter {
    public:
        Writer(RecordingStore& store, const QByteArray& domain) : store_(store), domain_(domain) {}
        ~Writer() override { store_.abandoned += committed_ ? 0 : 1; }
        void Append(QByteArrayView bytes) override
        {
            bytes_ += bytes;
            store_.appended += bytes.size();
        }
        bool Commit() override
        {
            committed_ = true;
            store_.messages.append(bytes_);
            store_.domains.append(domain_);
            return store_.succeeds;
        }

    private:
        RecordingStore& store_;
        QByteArray domain_;
        QByteArray bytes_;
        bool committed_ = false;
    };
};
