#pragma once

#include "MessageCollector.h"
#include "SessionOutput.h"

#include <QByteArray>
#include <QByteArrayView>

// One SMTP session: fed the bytes of each received chunk, it answers every
// complete line in order and hands out message bytes as they arrive, where
// they lie in the chunk, so no message is ever held whole. It touches
// nothing outside itself; the caller sends, closes and stores.
class SmtpSession {
public:
    // A command line (without its CR LF) of this many bytes or more is
    // refused, and the rest of it discarded as it arrives.
    static constexpr qsizetype MaxCommandBytes = 64 * 1024;
    // Replies to one call stop after this many bytes: the commands left wait
    // in the buffer (SessionOutput::more), so a chunk of short commands with
    // long replies cannot make many times its size in replies at once.
    static constexpr qsizetype ReplyBatchBytes = 64 * 1024;

    // Also called with no bytes, to go on when the last output said more.
    SessionOutput ReceiveChunk(QByteArrayView chunk);
    // Answers a message handed out before, stored or not, and goes on with
    // whatever the client sent behind it.
    SessionOutput MessageStored(bool stored);

    bool IsClosed() const { return session_.mode == Mode::Closed; }
    bool InDataMode() const { return session_.mode == Mode::Data; }
    const QByteArray& FromDomain() const { return transaction_.FromDomain; }
    const QByteArray& RecvBuffer() const { return session_.RecvBuffer; }
    // Everything the session holds in memory for the client.
    qsizetype HeldBytes() const;

    // The domain part of a MAIL argument; empty when there is no usable address.
    static QByteArray GetAddressDomain(QByteArrayView text);

private:
    enum class Mode { Command, DiscardingLongLine, Data, AwaitingStore, Closed };

    struct SessionState {
        QByteArray RecvBuffer; // received and not yet handled
        Mode mode = Mode::Command;
        qsizetype lineScanned = 0; // bytes of RecvBuffer known to hold no line end
    };
    struct Transaction {
        QByteArray FromDomain; // empty: no sender
        MessageCollector data;
    };
    struct CommandRow;
    static const CommandRow Commands[];

    void Continue(QByteArrayView chunk);
    qsizetype Process(QByteArrayView input);
    qsizetype TakeCommandLine(QByteArrayView input);
    qsizetype DiscardLongLine(QByteArrayView input);
    qsizetype CollectData(QByteArrayView input);

    void HandleCommand(QByteArrayView line);
    void HandleHelo(QByteArrayView line);
    void HandleMail(QByteArrayView line);
    void HandleRcpt(QByteArrayView line);
    void HandleData(QByteArrayView line);
    void HandleHelp(QByteArrayView line);
    void HandleQuit(QByteArrayView line);
    void HandleVrfy(QByteArrayView line);
    void ReplyOk(QByteArrayView line);

    void Reply(QByteArrayView text) { output_.replies += text; }

    SessionState session_;
    Transaction transaction_;
    QByteArray input_; // buffered bytes joined to the last chunk
    SessionOutput output_;
};
