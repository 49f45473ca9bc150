#pragma once

#include "SmtpSession.h"
#include "StreamSocket.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <array>
#include <memory>

class ControlValues;
class Dialogs;
class MessageStore;
class MessageWriter;

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

    SessionEngine(ControlValues& controls, MessageStore& store, Dialogs& dialogs,
                  QObject* parent = nullptr);
    ~SessionEngine() override;

    StreamSocket& WsckListen() { return *listen_; }
    StreamSocket& WsckTran(int index) { return *tran_.at(index); }
    StreamSocket& WsckMsg() { return *msg_; }
    const SmtpSession& Session(int index) const { return sessions_.at(index); }

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
    void WsckTran_Close(int index);
    void WsckTran_Error(int index, int number, const QString& description);
    void WsckTran_IdleTimeout(int index);

signals:
    // The listener was closed by an error of its own.
    void ListenerFailed(int number, const QString& description);

private:
    // Sends what a session answered, closes it or stores its message.
    void Carry(int index, SessionOutput output);
    void ShowSocketError(int number, const QString& description);

    ControlValues& controls_;
    MessageStore& store_;
    Dialogs& dialogs_;
    StreamSocket* listen_;
    std::array<StreamSocket*, SessionCount> tran_{};
    StreamSocket* msg_;
    std::array<SmtpSession, SessionCount> sessions_;
    // The message each session is receiving, on its way into the store.
    std::array<std::unique_ptr<MessageWriter>, SessionCount> writers_;
    std::array<QTimer*, SessionCount> idleTimers_{};
    std::array<bool, SessionCount> endsWithCr_{}; // the last chunk ended in CR
    bool refusing_ = false;
};
