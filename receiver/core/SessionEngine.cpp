#include "SessionEngine.h"

#include "ControlValues.h"
#include "Dialogs.h"
#include "PortText.h"
#include "SmtpReplies.h"

#include <QCoreApplication>

#include <algorithm>

SessionEngine::SessionEngine(ControlValues& controls, MessageStore& store, Dialogs& dialogs,
                             QObject* parent)
    : QObject(parent), controls_(controls), store_(store), dialogs_(dialogs),
      listen_(new StreamSocket(this)), msg_(new StreamSocket(this))
{
    connect(listen_, &StreamSocket::ConnectionRequest, this, &SessionEngine::WsckListen_ConnectionRequest);
    connect(listen_, &StreamSocket::PeerClosed, this, &SessionEngine::WsckListen_Close);
    connect(listen_, &StreamSocket::SocketError, this, &SessionEngine::WsckListen_Error);
    for (int i = 0; i < SessionCount; ++i) {
        Slot& slot = slots_[i];
        slot.socket = new StreamSocket(this);
        connect(slot.socket, &StreamSocket::DataArrival, this,
                [this, i](qint64 bytes) { WsckTran_DataArrival(i, bytes); });
        connect(slot.socket, &StreamSocket::DataSent, this, [this, i] { WsckTran_DataSent(i); });
        connect(slot.socket, &StreamSocket::PeerClosed, this, [this, i] { WsckTran_Close(i); });
        connect(slot.socket, &StreamSocket::SocketError, this,
                [this, i](int number, const QString& text) { WsckTran_Error(i, number, text); });
        slot.idle = new QTimer(this);
        slot.idle->setSingleShot(true);
        slot.idle->setInterval(IdleTimeoutMs);
        connect(slot.idle, &QTimer::timeout, this, [this, i] { WsckTran_IdleTimeout(i); });
    }
}

SessionEngine::~SessionEngine() = default;

qint64 SessionEngine::BufferedBytes(int index) const
{
    const Slot& slot = slots_.at(index);
    return slot.socket->UnreadBytes() + slot.socket->UnsentBytes() + slot.session.HeldBytes();
}

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
    for (Slot& slot : slots_) {
        slot.idle->setInterval(milliseconds);
    }
}

void SessionEngine::WsckListen_ConnectionRequest(qintptr requestId)
{
    for (Slot& slot : slots_) {
        if (slot.socket->State() != StreamSocket::Closed) {
            continue;
        }
        slot.socket->SetLocalPort(listen_->LocalPort());
        if (!slot.socket->Accept(requestId)) {
            slot.socket->SetLocalPort(0);
            return;
        }
        // A new session never inherits what the last one left behind.
        slot.session = SmtpSession();
        slot.message.reset();
        slot.unanswered = false;
        slot.holdingBack = false;
        slot.idle->start();
        SendReply(*slot.socket, SmtpReply::Greeting);
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
    Serve(slots_[index]);
}

void SessionEngine::WsckTran_DataSent(int index)
{
    Slot& slot = slots_[index];
    if (!slot.holdingBack) {
        return;
    }
    if (slot.socket->UnsentBytes() > 0) {
        slot.socket->WatchSending();
        return;
    }
    Serve(slot);
}

// The session answers at most a batch of replies per call, and is not given
// more while the replies wait to leave; meanwhile the socket stops reading
// once its buffer is full, and the client's sending stalls. What the socket
// holds is taken once per call: more comes only with the next event.
void SessionEngine::Serve(Slot& slot)
{
    // A message's bytes come in small pieces while another session waits on
    // replies to its commands; sessions that all send message text share the
    // thread well enough in large ones.
    slot.socket->ShareReading(AnotherSessionConversing(slot));
    bool taken = false;
    while (!slot.session.IsClosed()) {
        if (slot.socket->UnsentBytes() > MaxUnsentBytes) {
            if (!slot.holdingBack) {
                slot.holdingBack = true;
                slot.socket->WatchSending();
            }
            return;
        }
        slot.holdingBack = false;
        if (slot.unanswered) {
            Carry(slot, slot.session.ReceiveChunk({}));
            continue;
        }
        const QByteArray chunk = taken ? QByteArray() : slot.socket->GetData();
        if (chunk.isEmpty()) {
            return;
        }
        taken = true;
        Carry(slot, slot.session.ReceiveChunk(chunk));
    }
}

void SessionEngine::Carry(Slot& slot, SessionOutput output)
{
    for (;;) {
        // The idle time counts from the last complete line: a client that
        // trickles bytes without ever ending a line is still closed.
        if (output.lineEnded) {
            slot.idle->start();
        }
        if (!output.replies.isEmpty()) {
            SendReply(*slot.socket, output.replies);
        }
        if (output.messageDropped) {
            slot.message.reset();
        }
        if (!output.messageBytes.isEmpty()) {
            if (!slot.message) {
                slot.message = store_.BeginMessage(slot.session.FromDomain());
            }
            slot.message->Append(output.messageBytes);
        }
        if (output.close) {
            EndSession(slot);
            return;
        }
        if (!output.messageEnds) {
            slot.unanswered = output.more;
            return;
        }
        const bool stored = slot.message && slot.message->Commit();
        slot.message.reset();
        output = slot.session.MessageStored(stored);
    }
}

void SessionEngine::EndSession(Slot& slot)
{
    slot.message.reset();
    slot.unanswered = false;
    slot.holdingBack = false;
    slot.idle->stop();
    slot.socket->Close();
}

bool SessionEngine::AnotherSessionConversing(const Slot& slot) const
{
    return std::any_of(slots_.cbegin(), slots_.cend(), [&slot](const Slot& other) {
        return &other != &slot && other.socket->State() != StreamSocket::Closed &&
               !other.session.IsClosed() && !other.session.InDataMode();
    });
}

void SessionEngine::WsckTran_Close(int index)
{
    EndSession(slots_[index]);
    slots_[index].socket->SetLocalPort(0);
    // A descriptor may just have come free for an accept that failed.
    listen_->ResumeAccepting();
}

void SessionEngine::WsckTran_IdleTimeout(int index)
{
    if (slots_[index].socket->State() == StreamSocket::Closed) {
        return;
    }
    SendReply(*slots_[index].socket, SmtpReply::ServiceClosing);
    WsckTran_Close(index);
}

void SessionEngine::WsckTran_Error(int index, int number, const QString& description)
{
    ShowSocketError(number, description);
    EndSession(slots_[index]);
}

void SessionEngine::ShowSocketError(int number, const QString& description)
{
    // Shown without waiting for the operator, so the other sessions and the
    // listener keep being served while the box is open.
    dialogs_.ShowNotice(QString::number(number) + QLatin1Char(':') + description,
                        QCoreApplication::applicationName(), MessageIcon::None);
}
