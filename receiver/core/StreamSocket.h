#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

class QTcpServer;
class QTcpSocket;
class QSocketNotifier;
class QTimer;

// One TCP socket as the service sees it: a listener or a connection, with a
// state number, a local-port property and four events. A closed socket is
// free at once and may accept again; text queued before the close still
// leaves on the old connection.
class StreamSocket : public QObject {
    Q_OBJECT
public:
    enum StateCode {
        Closed = 0,
        Open = 1,
        Listening = 2,
        ConnectionPending = 3,
        ResolvingHost = 4,
        HostResolved = 5,
        Connecting = 6,
        Connected = 7,
        Closing = 8,
        Error = 9,
    };

    explicit StreamSocket(QObject* parent = nullptr);
    ~StreamSocket() override;

    int LocalPort() const { return localPort_; }
    void SetLocalPort(int port) { localPort_ = port; }

    // Listens on LocalPort on every interface, IPv4 and IPv6. On failure
    // returns false with the reason.
    bool Listen(QString* reason = nullptr);
    // The port actually listened on (LocalPort 0 asks for any free port).
    int ListeningPort() const;

    // Takes over a connection announced by a listener's ConnectionRequest.
    bool Accept(qintptr requestId);
    void SendData(QByteArrayView text);
    QByteArray GetData();
    // Bytes received and not yet taken, and bytes sent and not yet taken by
    // the system: what the connection holds in this process.
    qint64 UnreadBytes() const;
    qint64 UnsentBytes() const;
    // DataSent comes once, the next time queued text goes on to the system.
    // Asked for only while someone waits: a signal per reply would cost.
    void WatchSending();
    // A connection reads less from the kernel at a time while it shares the
    // thread with sessions waiting on replies, so one fast sender cannot take
    // the thread from them.
    void ShareReading(bool shared);
    qint64 ReadChunk() const;
    void Close();
    int State() const;

    static QString LocalHostName();
    // The first non-loopback IPv4 address, or 127.0.0.1.
    static QString LocalIP();

    // A request that no socket accepted is closed here.
    static void RefuseRequest(qintptr requestId);

    // A listener whose accept failed (too many open files and the like)
    // waits and tries again; this tries at once, for when descriptors were
    // just given back.
    void ResumeAccepting();

signals:
    void ConnectionRequest(qintptr requestId);
    void DataArrival(qint64 bytesTotal);
    // Some of the queued text went on to the system (see WatchSending).
    void DataSent();
    void PeerClosed();
    void SocketError(int number, const QString& description);
    // Accepting failed; once per run of failures, until one accept succeeds.
    void AcceptFailed(const QString& description);
    // The first connection accepted after AcceptFailed.
    void AcceptRecovered();

private:
    void DetachConnection();
    void AcceptPending();
    void OnAcceptFailed(const QString& reason);

    int localPort_ = 0;
    bool failed_ = false;
    bool sharedReading_ = false;
    QTcpServer* server_ = nullptr;
    QPointer<QTcpSocket> connection_;
    QSocketNotifier* acceptNotifier_ = nullptr; // the listener's, owned by server_
    QTimer* retryTimer_ = nullptr;
    int retryDelayMs_ = 0;
    bool acceptFailing_ = false;
};
