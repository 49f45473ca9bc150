#include "FakeControls.h"
#include "FakeDialogs.h"
#include "RecordingStore.h"
#include "SessionEngine.h"
#include "TestClient.h"

#include <QTcpServer>
#include <QTest>

#include <memory>
#include <vector>

namespace {
const QByteArray Greeting = "220 Larkspur Ver1.1 Ready\r\n";
const QByteArray Refusal = "421 Service closing transmission channel\r\n";
const QByteArray Ok = "250 OK\r\n";
} // namespace

class SessionEngineTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void fiveSessionsAreServedAndTheSixthIsRefused();
    void lowestFreeSlotWins();
    void deliveryHandsTheExactTextToTheStore();
    void wholeDialogueInOneWriteIsAnsweredLineByLine();
    void newSessionStartsClean();
    void storeFailureGets451();
    void droppedClientDoesNotStopTheService();
    void sessionErrorIsShownAndFreesOnlyThatSlot();
    void silentClientsAreClosedSoOthersGetIn();
    void tricklingClientIsClosedLikeASilentOne_data();
    void tricklingClientIsClosedLikeASilentOne();
    void burstOfRefusalsLeavesTheSessionsServed();
    void clientThatNeverReadsCannotPileUpReplies();
    void messageTextIsReadInSmallPiecesWhileAnotherSessionConverses();
    void startListeningReportsAPortInUse();

private:
    std::unique_ptr<TestClient> Connect();
    std::unique_ptr<TestClient> ConnectGreeted();

    FakeControls controls_;
    RecordingStore store_;
    FakeDialogs dialogs_;
    std::unique_ptr<SessionEngine> engine_;
    quint16 port_ = 0;
};

void SessionEngineTest::init()
{
    controls_ = FakeControls();
    store_ = RecordingStore();
    dialogs_.Reset();
    engine_ = std::make_unique<SessionEngine>(controls_, store_, dialogs_);
    const ListenResult result = engine_->ListenOn(0);
    QVERIFY2(result.ok, qPrintable(result.reason));
    port_ = static_cast<quint16>(engine_->WsckListen().LocalPort());
    QVERIFY(port_ != 0);
    QCOMPARE(engine_->WsckListen().State(), int(StreamSocket::Listening));
}

void SessionEngineTest::cleanup()
{
    engine_.reset();
}

std::unique_ptr<TestClient> SessionEngineTest::Connect()
{
    auto client = std::make_unique<TestClient>(port_);
    [&] { QVERIFY(client->WaitConnected()); }();
    return client;
}

std::unique_ptr<TestClient> SessionEngineTest::ConnectGreeted()
{
    auto client = Connect();
    [&] { QCOMPARE(client->NextReply(), Greeting); }();
    return client;
}

void SessionEngineTest::fiveSessionsAreServedAndTheSixthIsRefused()
{
    std::vector<std::unique_ptr<TestClient>> clients;
    for (int i = 0; i < 5; ++i) {
        clients.push_back(ConnectGreeted());
        QTRY_COMPARE_WITH_TIMEOUT(engine_->WsckTran(i).State(), int(StreamSocket::Connected), 20000);
    }
    auto sixth = Connect();
    QCOMPARE(sixth->NextReply(), Refusal);
    QVERIFY(sixth->WaitDisconnected());
    for (auto& client : clients) {
        QCOMPARE(client->Exchange("NOOP\r\n"), Ok);
    }
}

void SessionEngineTest::lowestFreeSlotWins()
{
    std::vector<std::unique_ptr<TestClient>> clients;
    for (int i = 0; i < 5; ++i) {
        clients.push_back(ConnectGreeted());
        QTRY_COMPARE_WITH_TIMEOUT(engine_->WsckTran(i).State(), int(StreamSocket::Connected), 20000);
    }
    clients[3]->Exchange("QUIT\r\n");
    clients[1]->Exchange("QUIT\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(engine_->WsckTran(1).State(), int(StreamSocket::Closed), 20000);
    QTRY_COMPARE_WITH_TIMEOUT(engine_->WsckTran(3).State(), int(StreamSocket::Closed), 20000);
    auto next = ConnectGreeted();
    QCOMPARE(next->Exchange("MAIL FROM:<a@next.example>\r\n"), Ok);
    QCOMPARE(engine_->Session(1).FromDomain(), QByteArray("next.example"));
    QCOMPARE(engine_->WsckTran(3).State(), int(StreamSocket::Closed));
}

void SessionEngineTest::deliveryHandsTheExactTextToTheStore()
{
    auto client = ConnectGreeted();
    QCOMPARE(client->Exchange("HELO me\r\n"), Ok);
    QCOMPARE(client->Exchange("MAIL FROM:<me@Sender.Example>\r\n"), Ok);
    QCOMPARE(client->Exchange("RCPT TO:<you@here>\r\n"), Ok);
    QCOMPARE(client->Exchange("DATA\r\n"), QByteArray("354 send the mail data, end with .\r\n"));
    const QByteArray body = "Subject: \xe6\x97\xa5\r\n\r\n\x82\xa0\xff\x80\r\n..x\r\n.\r\n";
    client->Send(body.left(7));
    client->Send(body.mid(7));
    QCOMPARE(client->NextReply(), Ok);
    QCOMPARE(store_.messages, QList<QByteArray>{body});
    QCOMPARE(store_.domains, QList<QByteArray>{"Sender.Example"});
}

void SessionEngineTest::wholeDialogueInOneWriteIsAnsweredLineByLine()
{
    store_.succeeds = false;
    auto client = ConnectGreeted();
    client->Send("HELO me\r\nMAIL FROM:<a@one.example>\r\nDATA\r\nfirst\r\n.\r\n"
                 "DATA\r\nsecond\r\n.\r\nQUIT\r\nNOOP\r\n");
    QVERIFY(client->WaitDisconnected());
    QCOMPARE(client->Pending(), Ok + Ok + "354 send the mail data, end with .\r\n" +
                                   "451 Requested action aborted: local error in processing\r\n" +
                                   "354 send the mail data, end with .\r\n" +
                                   "451 Requested action aborted: local error in processing\r\n" +
                                   "221 Service closing transmission channel\r\n");
    QCOMPARE(store_.messages, (QList<QByteArray>{"first\r\n.\r\n", "second\r\n.\r\n"}));
    QCOMPARE(store_.domains, (QList<QByteArray>{"one.example", "one.example"}));
}

void SessionEngineTest::newSessionStartsClean()
{
    {
        auto dropped = ConnectGreeted();
        QCOMPARE(dropped->Exchange("MAIL FROM:<a@b>\r\n"), Ok);
        dropped->Exchange("DATA\r\n");
        dropped->Send("half a message\r\n");
        QTRY_COMPARE_WITH_TIMEOUT(store_.appended, qsizetype(16), 20000);
    }
    QTRY_COMPARE_WITH_TIMEOUT(engine_->WsckTran(0).State(), int(StreamSocket::Closed), 20000);
    QVERIFY(engine_->Session(0).InDataMode());
    // The half message went to the store as it came, and is thrown away.
    QCOMPARE(store_.abandoned, 1);
    QVERIFY(store_.messages.isEmpty());

    auto next = ConnectGreeted();
    QCOMPARE(next->Exchange("HELO again\r\n"), Ok);
    QCOMPARE(next->Exchange("DATA\r\n"), QByteArray("503 Bad sequence of commands, HELO required\r\n"));
    QVERIFY(store_.messages.isEmpty());
}

void SessionEngineTest::storeFailureGets451()
{
    store_.succeeds = false;
    auto client = ConnectGreeted();
    client->Exchange("MAIL FROM:<a@b>\r\n");
    client->Exchange("DATA\r\n");
    QCOMPARE(client->Exchange("x\r\n.\r\n"),
             QByteArray("451 Requested action aborted: local error in processing\r\n"));
    QCOMPARE(client->Exchange("NOOP\r\n"), Ok);
}

void SessionEngineTest::droppedClientDoesNotStopTheService()
{
    auto steady = ConnectGreeted();
    {
        QTcpSocket rude;
        rude.connectToHost(QHostAddress::LocalHost, port_);
        QVERIFY(rude.waitForConnected(20000));
        rude.write("NOOP\r\nNOOP\r\n");
        rude.flush();
        rude.abort();
    }
    QTRY_COMPARE_WITH_TIMEOUT(engine_->WsckTran(1).State(), int(StreamSocket::Closed), 20000);
    QCOMPARE(steady->Exchange("NOOP\r\n"), Ok);
    auto later = ConnectGreeted();
    QCOMPARE(later->Exchange("NOOP\r\n"), Ok);
}

void SessionEngineTest::sessionErrorIsShownAndFreesOnlyThatSlot()
{
    QCoreApplication::setApplicationName(QStringLiteral("Larkspur"));
    auto first = ConnectGreeted();
    auto second = ConnectGreeted();
    QTRY_COMPARE_WITH_TIMEOUT(engine_->WsckTran(1).State(), int(StreamSocket::Connected), 20000);
    engine_->WsckTran_Error(1, 7, QStringLiteral("broken"));
    QCOMPARE(dialogs_.messages.size(), 1);
    QCOMPARE(dialogs_.messages[0].text, QStringLiteral("7:broken"));
    QCOMPARE(dialogs_.messages[0].title, QStringLiteral("Larkspur"));
    QCOMPARE(dialogs_.messages[0].icon, MessageIcon::None);
    QCOMPARE(engine_->WsckTran(1).State(), int(StreamSocket::Closed));
    QVERIFY(second->WaitDisconnected());
    QCOMPARE(first->Exchange("NOOP\r\n"), Ok);
}

void SessionEngineTest::silentClientsAreClosedSoOthersGetIn()
{
    engine_->SetIdleTimeout(300);
    std::vector<std::unique_ptr<TestClient>> silent;
    for (int i = 0; i < 5; ++i) {
        silent.push_back(ConnectGreeted());
    }
    for (auto& client : silent) {
        QCOMPARE(client->NextReply(), Refusal);
        QVERIFY(client->WaitDisconnected());
    }
    for (int i = 0; i < SessionEngine::SessionCount; ++i) {
        QCOMPARE(engine_->WsckTran(i).State(), int(StreamSocket::Closed));
    }
    auto sixth = ConnectGreeted();
    QCOMPARE(sixth->Exchange("NOOP\r\n"), Ok);
}

void SessionEngineTest::tricklingClientIsClosedLikeASilentOne_data()
{
    QTest::addColumn<QByteArrayList>("lines");
    QTest::newRow("inside a command line") << QByteArrayList{};
    QTest::newRow("inside message data") << QByteArrayList{"MAIL FROM:<a@b.example>\r\n", "DATA\r\n"};
}

void SessionEngineTest::tricklingClientIsClosedLikeASilentOne()
{
    QFETCH(QByteArrayList, lines);
    engine_->SetIdleTimeout(300);
    auto client = ConnectGreeted();
    for (const QByteArray& line : lines) {
        QVERIFY(!client->Exchange(line).isEmpty());
    }
    // One byte far more often than the time-out, never a line end.
    QTimer trickle;
    connect(&trickle, &QTimer::timeout, client.get(), [&client] { client->Send("x"); });
    trickle.start(20);
    QCOMPARE(client->NextReply(), Refusal);
    QVERIFY(client->WaitDisconnected());
}

void SessionEngineTest::burstOfRefusalsLeavesTheSessionsServed()
{
    std::vector<std::unique_ptr<TestClient>> sessions;
    for (int i = 0; i < 5; ++i) {
        sessions.push_back(ConnectGreeted());
        QTRY_COMPARE_WITH_TIMEOUT(engine_->WsckTran(i).State(), int(StreamSocket::Connected), 20000);
    }
    std::vector<std::unique_ptr<TestClient>> burst;
    for (int i = 0; i < 200; ++i) {
        burst.push_back(std::make_unique<TestClient>(port_));
    }
    for (size_t i = 0; i < burst.size(); ++i) {
        QVERIFY2(burst[i]->WaitDisconnected(), qPrintable(QStringLiteral("client %1 of the burst: %2").arg(i).arg(QString::fromLatin1(burst[i]->Pending()))));
        QCOMPARE(burst[i]->Pending(), Refusal);
    }
    for (auto& client : sessions) {
        QCOMPARE(client->Exchange("MAIL FROM:<a@b>\r\n"), Ok);
        client->Exchange("DATA\r\n");
        QCOMPARE(client->Exchange("x\r\n.\r\n"), Ok);
    }
    QCOMPARE(store_.messages.size(), 5);
}

void SessionEngineTest::clientThatNeverReadsCannotPileUpReplies()
{
    // Far more replies than the system's socket buffers take (HELP: 6 bytes
    // in, 72 out), from a client that reads nothing for now.
    constexpr int Commands = 500000;
    QTcpSocket client;
    client.setReadBufferSize(4096);
    client.connectToHost(QHostAddress::LocalHost, port_);
    QVERIFY(client.waitForConnected(20000));
    client.write(QByteArray("HELP\r\n").repeated(Commands));
    QTRY_VERIFY_WITH_TIMEOUT(engine_->HoldsBackReading(0), 60000);
    QVERIFY2(engine_->BufferedBytes(0) < 1024 * 1024, qPrintable(QString::number(engine_->BufferedBytes(0))));

    const QByteArray help = "214 Available Command; DATA,HELO,HELP,MAIL,NOOP,QUIT,RCPT,RSET,VRFY\r\n";
    QByteArray replies;
    client.setReadBufferSize(0);
    QTRY_VERIFY_WITH_TIMEOUT((replies += client.readAll()).size() >= Greeting.size() + Commands * help.size(), 60000);
    QVERIFY(replies == Greeting + help.repeated(Commands));
    QVERIFY(!engine_->HoldsBackReading(0));
}

void SessionEngineTest::messageTextIsReadInSmallPiecesWhileAnotherSessionConverses()
{
    const QByteArray dataReply = "354 send the mail data, end with .\r\n";
    auto enterData = [&](TestClient& client) {
        QCOMPARE(client.Exchange("MAIL FROM:<a@b.example>\r\n"), Ok);
        QCOMPARE(client.Exchange("RCPT TO:<c@d>\r\n"), Ok);
        QCOMPARE(client.Exchange("DATA\r\n"), dataReply);
    };
    constexpr qint64 Small = 2 * 1024;
    constexpr qint64 Large = 256 * 1024;
    auto sender = ConnectGreeted();
    auto other = ConnectGreeted();
    enterData(*sender);
    sender->Send("line\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(engine_->WsckTran(0).ReadChunk(), Small, 20000);

    enterData(*other);
    sender->Send("line\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(engine_->WsckTran(0).ReadChunk(), Large, 20000);

    other->Send(".\r\n");
    QCOMPARE(other->NextReply(), Ok);
    sender->Send("line\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(engine_->WsckTran(0).ReadChunk(), Small, 20000);

    other.reset();
    QTRY_COMPARE_WITH_TIMEOUT(engine_->WsckTran(1).State(), int(StreamSocket::Closed), 20000);
    sender->Send("line\r\n.\r\n");
    QCOMPARE(sender->NextReply(), Ok);
    QCOMPARE(engine_->WsckTran(0).ReadChunk(), Large);
    QCOMPARE(store_.messages.last(), QByteArray("line\r\n").repeated(4) + ".\r\n");
}

void SessionEngineTest::startListeningReportsAPortInUse()
{
    QTcpServer occupant;
    QVERIFY(occupant.listen(QHostAddress::Any, 0));
    engine_->WsckListen_Close();
    controls_.port = QStringLiteral("00") + QString::number(occupant.serverPort());
    const ListenResult result = engine_->StartListening();
    QVERIFY(!result.ok);
    QVERIFY(result.reason.contains(QString::number(occupant.serverPort())));
    QCOMPARE(engine_->WsckListen().State(), int(StreamSocket::Closed));
    QCOMPARE(engine_->WsckListen().LocalPort(), 0);
}

QTEST_GUILESS_MAIN(SessionEngineTest)
#include "tst_session_engine.moc"
