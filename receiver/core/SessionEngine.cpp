#include "SessionEngine.h"

#include "ControlValues.h"
#include "Dialogs.h"
#include "MessageStore.h"
#include "PortText.h"
#include "SmtpReplies.h"

#include <QCoreApplication>

SessionEngine::SessionEngine(ControlValues& controls, MessageStore& store, Dialogs& dialogs,
                             QObject* parent)
    : QObject(parent), controls_(controls), store_(store), dialogs_(dialogs),
      listen_(new StreamSocket(this)), msg_(new StreamSocket(this))
{
    connect(listen_, &StreamSocket::ConnectionRequest, this, &SessionEngine::WsckListen_ConnectionRequest);
    connect(listen_, &StreamSocket::PeerClosed, this, &SessionEngine::WsckListen_Close);
    connect(listen_, &StreamSocket::SocketError, this, &SessionEngine::WsckListen_Error);
    for (int i = 0; i < SessionCount; ++i) {
        tran_[i] = new StreamSocket(this);
        connect(tran_[i], &StreamSocket::DataArrival, this,
                [this, i](qint64 bytes) { WsckTran_DataArrival(i, bytes); });
        connect(tran_[i], &StreamSocket::PeerClosed, this, [this, i] { WsckTran_Close(i); });
        connect(tran_[i], &StreamSocket::SocketError, this,
                [this, i](int number, const QString& text) { WsckTran_Error(i, number, text); });
        idleTimers_[i] = new QTimer(this);
        idleTimers_[i]->setSingleShot(true);
        idleTimers_[i]->setInterval(IdleTimeoutMs);
        connect(idleTimers_[i], &QTimer::timeout, this, [this, i] { WsckTran_IdleTimeout(i); });
    }
}

SessionEngine::~SessionEngine() = default;

ListenResult SessionEngine::StartListening()
{
    const QString text = controls_.PortText();
    const std::optional<int> port = ParsePortText(text);
    if (!port) {
        return {false, QStringLiteral("ポートNo.「%1」は 1 から 65535 までの整数ではありません。").arg(text)};
    }
    return ListenOn(*port);
}

ListenResult SessionEngine::ListenOn(int port)
{
    listen_->SetLocalPort(port);
    QString reason;
    if (!listen_->Listen(&reason)) {
        listen_->SetLocalPort(0);
        return {false, QStringLiteral("ポート %1 で待ち受けできません。(%2)").arg(port).arg(reason)};
    }
    listen_->SetLocalPort(listen_->ListeningPort());
    return {true, {}};
}

void SessionEngine::CloseAllSessions()
{
    for (int i = 0; i < SessionCount; ++i) {
        WsckTran_Close(i);
    }
}

void SessionEngine::SendReply(StreamSocket& socket, QByteArrayView text)
{
    socket.SendData(text);
}

void SessionEngine::SetIdleTimeout(int milliseconds)
{
    for (QTimer* timer : idleTimers_) {
        timer->setInterval(milliseconds);
    }
}

void SessionEngine::WsckListen_ConnectionRequest(qintptr requestId)
{
    for (int i = 0; i < SessionCount; ++i) {
        StreamSocket& socket = *tran_[i];
        if (socket.State() != StreamSocket::Closed) {
            continue;
        }
        socket.SetLocalPort(listen_->LocalPort());
        if (!socket.Accept(requestId)) {
            socket.SetLocalPort(0);
            return;
        }
        // A new session never inherits what the last one left behind.
        sessions_[i] = SmtpSession();
        endsWithCr_[i] = false;
        writers_[i].reset();
        idleTimers_[i]->start();
        SendReply(socket, SmtpReply::Greeting);
        return;
    }
    if (msg_->State() != StreamSocket::Closed) {
        msg_->Close();
    }
    msg_->SetLocalPort(listen_->LocalPort());
    if (!msg_->Accept(requestId)) {
        return;
    }
    SendReply(*msg_, SmtpReply::ServiceClosing);
    // One yield, not one per refusal: in a burst the yield itself takes the
    // next request, and nesting would grow with the burst. The refusal text
    // leaves after the close all the same.
    if (!refusing_) {
        refusing_ = true;
        QCoreApplication::processEvents();
        refusing_ = false;
    }
    msg_->Close();
}

void SessionEngine::WsckListen_Close()
{
    listen_->Close();
    listen_->SetLocalPort(0);
}

void SessionEngine::WsckListen_Error(int number, const QString& description)
{
    ShowSocketError(number, description);
    listen_->Close();
    emit ListenerFailed(number, description);
}

void SessionEngine::WsckTran_DataArrival(int index, qint64 bytesTotal)
{
    Q_UNUSED(bytesTotal);
    const QByteArray chunk = tran_[index]->GetData();
    if (chunk.isEmpty()) {
        return;
    }
    // The idle time counts from the last complete line: a client that
    // trickles bytes without ever ending a line is still closed.
    const bool endsALine = chunk.contains("\r\n") || (endsWithCr_[index] && chunk.startsWith('\n'));
    endsWithCr_[index] = chunk.endsWith('\r');
    if (endsALine) {
        idleTimers_[index]->start();
    }
    Carry(index, sessions_[index].ReceiveChunk(chunk));
}

void SessionEngine::Carry(int index, SessionOutput output)
{
    StreamSocket& socket = *tran_[index];
    std::unique_ptr<MessageWriter>& writer = writers_[index];
    for (;;) {
        if (!output.replies.isEmpty()) {
            SendReply(socket, output.replies);
        }
        if (output.messageDropped) {
            writer.reset();
        }
        if (!output.messageBytes.isEmpty()) {
            if (!writer) {
                writer = store_.BeginMessage(sessions_[index].FromDomain());
            }
            writer->Append(output.messageBytes);
        }
        if (output.close) {
            socket.Close();
            return;
        }
        if (!output.messageEnds) {
            return;
        }
        const bool stored = writer && writer->Commit();
        writer.reset();
        output = sessions_[index].MessageStored(stored);
    }
}

void SessionEngine::WsckTran_Close(int index)
{
    // A message cut off by the close leaves nothing behind.
    writers_[index].reset();
    idleTimers_[index]->stop();
    tran_[index]->Close();
    tran_[index]->SetLocalPort(0);
    // A descriptor may just have come free for an accept that failed.
    listen_->ResumeAccepting();
}

void SessionEngine::WsckTran_IdleTimeout(int index)
{
    if (tran_[index]->State() == StreamSocket::Closed) {
        return;
    }
    SendReply(*tran_[index], SmtpReply::ServiceClosing);
    WsckTran_Close(index);
}

void SessionEngine::WsckTran_Error(int index, int number, const QString& description)
{
    writers_[index].reset();
    idleTimers_[index]->stop();
    ShowSocketError(number, description);
    tran_[index]->Close();
}

void SessionEngine::ShowSocketError(int number, const QString& description)
{
    // Shown without waiting for the operator, so the other sessions and the
    // listener keep being served while the box is open.
    dialogs_.ShowNotice(QString::number(number) + QLatin1Char(':') + description,
                        QCoreApplication::applicationName(), MessageIcon::None);
}
