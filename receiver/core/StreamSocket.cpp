#include "StreamSocket.h"

#include "SocketErrorReason.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QNetworkInterface>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>

#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// How long a closed connection may keep flushing queued text to a client
// that does not read.
constexpr int LingerMilliseconds = 30000;

constexpr int ListenBacklog = 1024;

// The first wait after a failed accept; each further failure doubles it up
// to the last, so a listener short of descriptors tries a few times a
// second and is back soon after they are.
constexpr int FirstRetryDelayMs = 10;
constexpr int LastRetryDelayMs = 250;

enum class AcceptOutcome { Accepted, NothingWaiting, ClientGone, Failed };

struct AcceptResult {
    AcceptOutcome outcome;
    qintptr descriptor = -1;
    QString reason; // Failed: why, for the operator
};

// One accept on a non-blocking listening socket, with the platform's reason
// for a failure.
AcceptResult AcceptOne(qintptr listener)
{
    const int accepted = ::accept4(static_cast<int>(listener), nullptr, nullptr, SOCK_CLOEXEC);
    if (accepted >= 0) {
        return {AcceptOutcome::Accepted, accepted, {}};
    }
    const int error = errno;
    switch (error) {
    case EAGAIN: // EWOULDBLOCK on Linux
        return {AcceptOutcome::NothingWaiting, -1, {}};
    case EINTR:
    case ECONNABORTED:
    case EPROTO:
    case EPERM: // refused by a firewall rule
        return {AcceptOutcome::ClientGone, -1, {}};
    case EMFILE:
    case ENFILE:
    case ENOBUFS:
    case ENOMEM:
        return {AcceptOutcome::Failed, -1,
                SocketErrorReason(QAbstractSocket::SocketResourceError, qt_error_string(error))};
    default:
        return {AcceptOutcome::Failed, -1, qt_error_string(error)};
    }
}

// The most a connection reads from the kernel at a time. Without a bound one
// read takes whatever the kernel holds (tens of MiB for a client that sends
// fast), and memory grows with it; the bytes go on to the store as they come.
constexpr qint64 ReadChunkBytes = 256 * 1024;
// The same while the thread is shared with sessions that exchange commands
// and replies. A turn of the event loop serves every connection with data,
// and a client that sends as fast as it can always has some: at a quarter
// MiB a turn it took four fifths of the thread from four sessions of 1 KiB
// messages, and still a third at 4 KiB; 2 KiB, about what each of them
// takes of a turn, leaves them four fifths of their rate.
constexpr qint64 SharedReadChunkBytes = 2 * 1024;

} // namespace

StreamSocket::StreamSocket(QObject* parent) : QObject(parent), retryTimer_(new QTimer(this))
{
    retryTimer_->setSingleShot(true);
    connect(retryTimer_, &QTimer::timeout, this, &StreamSocket::ResumeAccepting);
}

StreamSocket::~StreamSocket()
{
    Close();
}

bool StreamSocket::Listen(QString* reason)
{
    Close();
    auto* server = new QTcpServer(this);
    // Room for a burst of clients: the ones past the five sessions are
    // refused at once instead of waiting for the kernel to retry them.
    server->setListenBacklogSize(ListenBacklog);
    if (!server->listen(QHostAddress::Any, static_cast<quint16>(localPort_))) {
        if (reason) {
            *reason = SocketErrorReason(server->serverError(), server->errorString());
        }
        delete server;
        return false;
    }
    // Connections are taken here, not by QTcpServer: it keeps the first
    // accept error of a listener for good, so it would either stop or spin
    // when descriptors run short.
    server->pauseAccepting();
    acceptNotifier_ = new QSocketNotifier(server->socketDescriptor(), QSocketNotifier::Read, server);
    connect(acceptNotifier_, &QSocketNotifier::activated, this, &StreamSocket::AcceptPending);
    server_ = server;
    return true;
}

void StreamSocket::AcceptPending()
{
    // Everything waiting, one request at a time; a request's handler may
    // close this listener.
    while (server_) {
        const AcceptResult result = AcceptOne(server_->socketDescriptor());
        switch (result.outcome) {
        case AcceptOutcome::Accepted:
            retryDelayMs_ = 0;
            if (acceptFailing_) {
                acceptFailing_ = false;
                emit AcceptRecovered();
            }
            emit ConnectionRequest(result.descriptor);
            break;
        case AcceptOutcome::ClientGone:
            break;
        case AcceptOutcome::NothingWaiting:
            return;
        case AcceptOutcome::Failed:
            OnAcceptFailed(result.reason);
            return;
        }
    }
}

void StreamSocket::OnAcceptFailed(const QString& reason)
{
    // The connection stays queued while descriptors are short, so trying
    // again at once would spin: wait, longer after each failure.
    acceptNotifier_->setEnabled(false);
    retryDelayMs_ = std::clamp(retryDelayMs_ * 2, FirstRetryDelayMs, LastRetryDelayMs);
    retryTimer_->start(retryDelayMs_);
    if (!acceptFailing_) {
        acceptFailing_ = true;
        emit AcceptFailed(reason);
    }
}

void StreamSocket::ResumeAccepting()
{
    retryTimer_->stop();
    if (acceptNotifier_) {
        acceptNotifier_->setEnabled(true);
    }
}

void StreamSocket::ShareReading(bool shared)
{
    if (shared == sharedReading_) {
        return;
    }
    sharedReading_ = shared;
    if (connection_) {
        connection_->setReadBufferSize(ReadChunk());
    }
}

qint64 StreamSocket::ReadChunk() const
{
    return sharedReading_ ? SharedReadChunkBytes : ReadChunkBytes;
}

int StreamSocket::ListeningPort() const
{
    return server_ ? server_->serverPort() : 0;
}

bool StreamSocket::Accept(qintptr requestId)
{
    DetachConnection();
    failed_ = false;
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(requestId)) {
        delete socket;
        RefuseRequest(requestId);
        return false;
    }
    socket->setReadBufferSize(ReadChunk());
    connection_ = socket;
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
        if (socket == connection_) {
            emit DataArrival(socket->bytesAvailable());
        }
    });
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
        if (socket != connection_) {
            return;
        }
        // Whatever arrived with the close is delivered before the close.
        if (socket->bytesAvailable() > 0) {
            emit DataArrival(socket->bytesAvailable());
        }
        if (socket == connection_) {
            emit PeerClosed();
        }
    });
    connect(socket, &QTcpSocket::errorOccurred, this, [this, socket](QAbstractSocket::SocketError error) {
        // The peer's close (or reset) is reported by the close event alone.
        if (socket != connection_ || error == QAbstractSocket::RemoteHostClosedError) {
            return;
        }
        failed_ = true;
        emit SocketError(static_cast<int>(error), socket->errorString());
    });
    return true;
}

void StreamSocket::SendData(QByteArrayView text)
{
    if (connection_ && connection_->state() == QAbstractSocket::ConnectedState) {
        connection_->write(text.data(), text.size());
        // Out now rather than on the next pass of the event loop.
        connection_->flush();
    }
}

QByteArray StreamSocket::GetData()
{
    return connection_ ? connection_->readAll() : QByteArray();
}

qint64 StreamSocket::UnreadBytes() const
{
    return connection_ ? connection_->bytesAvailable() : 0;
}

qint64 StreamSocket::UnsentBytes() const
{
    return connection_ ? connection_->bytesToWrite() : 0;
}

void StreamSocket::WatchSending()
{
    QTcpSocket* socket = connection_;
    if (!socket) {
        return;
    }
    connect(
        socket, &QTcpSocket::bytesWritten, this,
        [this, socket] {
            if (socket == connection_) {
                emit DataSent();
            }
        },
        Qt::SingleShotConnection);
}

void StreamSocket::Close()
{
    retryTimer_->stop();
    retryDelayMs_ = 0;
    acceptFailing_ = false;
    acceptNotifier_ = nullptr; // goes with the server
    if (server_) {
        server_->close();
        delete server_;
        server_ = nullptr;
    }
    DetachConnection();
    failed_ = false;
}

void StreamSocket::DetachConnection()
{
    QTcpSocket* socket = connection_;
    connection_ = nullptr;
    if (!socket) {
        return;
    }
    socket->disconnect(this);
    if (socket->state() != QAbstractSocket::ConnectedState || socket->bytesToWrite() == 0) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    // Let queued replies (the 221 or 421 text) leave, then let go.
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    QTimer::singleShot(LingerMilliseconds, socket, [socket] {
        socket->abort();
        socket->deleteLater();
    });
    socket->disconnectFromHost();
}

int StreamSocket::State() const
{
    if (failed_) {
        return Error;
    }
    if (server_) {
        return server_->isListening() ? Listening : Closed;
    }
    if (!connection_) {
        return Closed;
    }
    switch (connection_->state()) {
    case QAbstractSocket::UnconnectedState:
        return Closed;
    case QAbstractSocket::HostLookupState:
        return ResolvingHost;
    case QAbstractSocket::ConnectingState:
        return Connecting;
    case QAbstractSocket::ConnectedState:
        return Connected;
    case QAbstractSocket::BoundState:
        return Open;
    case QAbstractSocket::ListeningState:
        return Listening;
    case QAbstractSocket::ClosingState:
        return Closing;
    }
    return Closed;
}

QString StreamSocket::LocalHostName()
{
    return QHostInfo::localHostName();
}

QString StreamSocket::LocalIP()
{
    const auto addresses = QNetworkInterface::allAddresses();
    for (const QHostAddress& address : addresses) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol && !address.isLoopback()) {
            return address.toString();
        }
    }
    return QStringLiteral("127.0.0.1");
}

void StreamSocket::RefuseRequest(qintptr requestId)
{
    ::close(static_cast<int>(requestId));
}
