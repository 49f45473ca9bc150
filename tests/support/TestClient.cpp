#include "TestClient.h"

#include <QTest>

TestClient::TestClient(quint16 port, QObject* parent) : QObject(parent)
{
    connect(&socket_, &QTcpSocket::readyRead, this, [this] { received_ += socket_.readAll(); });
    connect(&socket_, &QTcpSocket::disconnected, this, [this] {
        if (socket_.bytesAvailable() > 0) {
            received_ += socket_.readAll();
        }
        disconnected_ = true;
    });
    socket_.connectToHost(QHostAddress::LocalHost, port);
}

bool TestClient::WaitConnected()
{
    return QTest::qWaitFor([this] { return socket_.state() == QAbstractSocket::ConnectedState; },
                           WaitLimitMs);
}

void TestClient::Send(QByteArrayView bytes)
{
    socket_.write(bytes.data(), bytes.size());
    socket_.flush();
}

QByteArray TestClient::NextReply()
{
    if (!QTest::qWaitFor([this] { return received_.contains("\r\n") || disconnected_; }, WaitLimitMs)) {
        return {};
    }
    const qsizetype end = received_.indexOf("\r\n");
    if (end < 0) {
        return {};
    }
    QByteArray line = received_.left(end + 2);
    received_.remove(0, end + 2);
    return line;
}

QByteArray TestClient::Exchange(QByteArrayView line)
{
    Send(line);
    return NextReply();
}

bool TestClient::WaitDisconnected()
{
    return QTest::qWaitFor([this] { return disconnected_; }, WaitLimitMs);
}
