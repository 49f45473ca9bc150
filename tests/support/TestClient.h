#pragma once

#include <QByteArray>
#include <QObject>
#include <QTcpSocket>

// An SMTP client for tests, on 127.0.0.1. Everything waits on the event
// loop (the service runs in the same thread), with generous limits.
class TestClient : public QObject {
    Q_OBJECT
public:
    static constexpr int WaitLimitMs = 20000;

    explicit TestClient(quint16 port, QObject* parent = nullptr);

    bool WaitConnected();
    void Send(QByteArrayView bytes);

    // The next reply line (with its CR LF), or "" when none came in time.
    QByteArray NextReply();
    // Sends a line and returns the reply to it.
    QByteArray Exchange(QByteArrayView line);

    bool WaitDisconnected();
    bool IsDisconnected() const { return disconnected_; }
    // Bytes received and not yet taken by NextReply.
    QByteArray Pending() const { return received_; }

private:
    QTcpSocket socket_;
    QByteArray received_;
    bool disconnected_ = false;
};
