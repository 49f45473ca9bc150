#pragma once

#include "MessageStore.h"
#include "SmtpSession.h"
#include "StreamSocket.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <array>
#include <memory>

class ControlValues;
class Dialogs;

struct ListenResult {
    bool ok = false;
    QString reason; // why listening failed, for the operator
};

// The SMTP service: the listener, five session sockets with their sessions,
// and the socket that turns a sixth client away. The one place where
// sockets, sessions and the store meet.
class SessionEngine : public QObject {
    Q_OBJECT
public:
    static constexpr int SessionCount = 5;
    // A session that completes no line (CR LF) for this long is closed, so
    // silent or trickling clients cannot keep the slots from others.
    static constexpr int IdleTimeoutMs = 10 * 60 * 1000;
    // While more replies than this wait to leave, a session's connection is
    // not read: a client that sends commands without reading the replies is
    // held back by TCP itself, and cannot pile replies up in the receiver.
    static constexpr qint64 MaxUnsentBytes = 64 * 1024;

    SessionEngine(ControlValues& controls, MessageStore& store, Dialogs& dialogs,
                  QObject* parent = nullptr);
    ~SessionEngine() override;

    StreamSocket& WsckListen() { return *listen_; }
    StreamSocket& WsckTran(int index) { return *slots_.at(index).socket; }
    StreamSocket& WsckMsg() { return *msg_; }
    const SmtpSession& Session(int index) const { return slots_.at(index).session; }
    // What a session holds in this process, beside the message on its way
    // into the store: received bytes not yet handled, replies not yet sent.
    qint64 BufferedBytes(int index) const;
    bool HoldsBackReading(int index) const { return slots_.at(index).holdingBack; }

    // Listens on the port text of the control window.
    ListenResult StartListening();
    // Listens on the given port; 0 picks a free one (see WsckListen().LocalPort()).
    ListenResult ListenOn(int port);
    void CloseAllSessions();
    void SendReply(StreamSocket& socket, QByteArrayView text);
    // Tests shorten the idle time-out.
    void SetIdleTimeout(int milliseconds);

    void WsckListen_ConnectionRequest(qintptr requestId);
    void WsckListen_Close();
    void WsckListen_Error(int number, const QString& description);
    void WsckTran_DataArrival(int index, qint64 bytesTotal);
    void WsckTran_DataSent(int index);
    void WsckTran_Close(int index);
    void WsckTran_Error(int index, int number, const QString& description);
    void WsckTran_IdleTimeout(int index);

signals:
    // The listener was closed by an error of its own.
    void ListenerFailed(int number, const QString& description);

private:
    // One session slot. A new connection starts it afresh; every end of a
    // session goes through EndSession.
    struct Slot {
        StreamSocket* socket = nullptr;
        SmtpSession session;
        // The message the session is receiving, on its way into the store.
        std::unique_ptr<MessageWriter> message;
        // Runs from the last complete line the client sent.
        QTimer* idle = nullptr;
        bool unanswered = false; // the session has commands left to answer
        bool holdingBack = false; // not read until the replies have left
    };

    // Hands what the client sent to its session while its replies leave.
    void Serve(Slot& slot);
    // Sends what a session answered, closes it or stores its message.
    void Carry(Slot& slot, SessionOutput output);
    // Drops a message cut off by the end and closes the socket.
    void EndSession(Slot& slot);
    // Another open session is exchanging commands and replies.
    bool AnotherSessionConversing(const Slot& slot) const;
    void ShowSocketError(int number, const QString& description);

    ControlValues& controls_;
    MessageStore& store_;
    Dialogs& dialogs_;
    StreamSocket* listen_;
    std::array<Slot, SessionCount> slots_;
    StreamSocket* msg_;
    bool refusing_ = false;
};
