#include "ReceiverProcess.h"
#include "TestClient.h"

#include <QDir>
#include <QFile>
#include <QTcpSocket>
#include <QTest>

#include <memory>
#include <vector>

namespace {

const QByteArray Greeting = "220 Larkspur Ver1.1 Ready\r\n";
const QByteArray Refusal = "421 Service closing transmission channel\r\n";
const QByteArray Ok = "250 OK\r\n";

// One session that sends numbered messages one after another and keeps
// the ones the receiver acknowledged.
class NumberedSender : public QObject {
public:
    NumberedSender(quint16 port, int session) : session_(session)
    {
        connect(&socket_, &QTcpSocket::readyRead, this, [this] { OnReadable(); });
        socket_.connectToHost(QHostAddress::LocalHost, port);
    }

    QByteArray Domain() const { return "s" + QByteArray::number(session_) + ".example"; }
    QByteArray Message(int number) const
    {
        const QByteArray tag = QByteArray::number(session_) + "-" + QByteArray::number(number);
        return "Subject: " + tag + "\r\n\r\n" + QByteArray(200, 'a' + char(number % 26)) + " " + tag + "\r\n.\r\n";
    }
    const QList<int>& Acknowledged() const { return acknowledged_; }

private:
    void OnReadable()
    {
        buffer_ += socket_.readAll();
        qsizetype end;
        while ((end = buffer_.indexOf("\r\n")) >= 0) {
            const QByteArray reply = buffer_.left(end + 2);
            buffer_.remove(0, end + 2);
            Next(reply);
        }
    }

    void Next(const QByteArray& reply)
    {
        if (reply == Greeting) {
            socket_.write("MAIL FROM:<a@" + Domain() + ">\r\n");
        } else if (reply.startsWith("354")) {
            socket_.write(Message(next_));
        } else if (reply == Ok && sentMail_) {
            acknowledged_.append(next_++);
            socket_.write("DATA\r\n");
        } else if (reply == Ok) {
            sentMail_ = true;
            socket_.write("DATA\r\n");
        }
    }

    int session_;
    QTcpSocket socket_;
    QByteArray buffer_;
    bool sentMail_ = false;
    int next_ = 0;
    QList<int> acknowledged_;
};

QByteArray AllStoredFor(const QString& domainFolder)
{
    QByteArray all;
    const QStringList files = QDir(domainFolder).entryList(QDir::Files, QDir::Name);
    for (const QString& name : files) {
        QFile file(domainFolder + u'/' + name);
        if (file.open(QIODevice::ReadOnly)) {
            all += file.readAll();
        }
    }
    return all;
}

} // namespace

class ReceiverFaultsTest : public QObject {
    Q_OBJECT
private slots:
    void burstOfConnectionsIsRefusedAndSessionsFinish_data();
    void burstOfConnectionsIsRefusedAndSessionsFinish();
    void badSettingsEndInAStoppedWindowWithAMessage_data();
    void badSettingsEndInAStoppedWindowWithAMessage();
    void everyAcknowledgedMessageSurvivesAKill();
};

void ReceiverFaultsTest::burstOfConnectionsIsRefusedAndSessionsFinish_data()
{
    QTest::addColumn<int>("attempts");
    QTest::newRow("six") << 6;
    QTest::newRow("sixty") << 60;
    QTest::newRow("six hundred") << 600;
}

void ReceiverFaultsTest::burstOfConnectionsIsRefusedAndSessionsFinish()
{
    QFETCH(int, attempts);
    ReceiverProcess receiver(QStringLiteral(LARKSPUR_EXE));
    QVERIFY(receiver.Start());

    std::vector<std::unique_ptr<TestClient>> sessions;
    for (int i = 0; i < 5; ++i) {
        sessions.push_back(std::make_unique<TestClient>(receiver.Port()));
        QCOMPARE(sessions.back()->NextReply(), Greeting);
        QCOMPARE(sessions.back()->Exchange("MAIL FROM:<a@burst.example>\r\n"), Ok);
        QCOMPARE(sessions.back()->Exchange("DATA\r\n"), QByteArray("354 send the mail data, end with .\r\n"));
    }
    std::vector<std::unique_ptr<TestClient>> burst;
    for (int i = 0; i < attempts; ++i) {
        burst.push_back(std::make_unique<TestClient>(receiver.Port()));
    }
    for (int i = 0; i < attempts; ++i) {
        QVERIFY2(burst[i]->WaitDisconnected(), qPrintable(QStringLiteral("attempt %1").arg(i)));
        QCOMPARE(burst[i]->Pending(), Refusal);
    }
    QCOMPARE(receiver.Process().state(), QProcess::Running);
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(sessions[i]->Exchange("message " + QByteArray::number(i) + "\r\n.\r\n"), Ok);
    }
    const QByteArray stored = AllStoredFor(receiver.StorageFolder() + QStringLiteral("/burst.example"));
    for (int i = 0; i < 5; ++i) {
        QVERIFY(stored.contains("message " + QByteArray::number(i) + "\r\n.\r\n"));
    }
}

void ReceiverFaultsTest::badSettingsEndInAStoppedWindowWithAMessage_data()
{
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<QString>("message");
    const QString refused = QStringLiteral("スタート失敗: ポートNo.もしくはフォルダー指定が不適切です。スタートできません。");
    QByteArray junk;
    for (int i = 0; i < 4096; ++i) {
        junk.append(char((i * 7919 + 13) % 256));
    }
    QTest::newRow("binary junk") << junk << refused;
    QTest::newRow("an enormous folder value") << "[SMTP]\r\nPORT=2525\r\nFOLDER=" + QByteArray(1 << 20, 'f') + "\r\n"
                                              << refused;
    QTest::newRow("port 99999") << QByteArray("[SMTP]\r\nPORT=99999\r\nFOLDER=@mail\r\n")
                                << QStringLiteral("スタート失敗: ポートNo.「99999」は 1 から 65535 までの整数ではありません。");
    QTest::newRow("port abc") << QByteArray("[SMTP]\r\nPORT=abc\r\nFOLDER=@mail\r\n")
                              << QStringLiteral("スタート失敗: ポートNo.「abc」は 1 から 65535 までの整数ではありません。");
    QTest::newRow("port -1") << QByteArray("[SMTP]\r\nPORT=-1\r\nFOLDER=@mail\r\n")
                             << QStringLiteral("スタート失敗: ポートNo.「-1」は 1 から 65535 までの整数ではありません。");
    QTest::newRow("a folder that is a file") << QByteArray("[SMTP]\r\nPORT=2525\r\nFOLDER=@file\r\n") << refused;
}

void ReceiverFaultsTest::badSettingsEndInAStoppedWindowWithAMessage()
{
    QFETCH(QByteArray, settings);
    QFETCH(QString, message);
    ReceiverProcess receiver(QStringLiteral(LARKSPUR_EXE));
    QFile plainFile(receiver.Folder() + QStringLiteral("/plain-file"));
    QVERIFY(plainFile.open(QIODevice::WriteOnly));
    plainFile.close();
    settings.replace("@mail", receiver.StorageFolder().toUtf8());
    settings.replace("@file", plainFile.fileName().toUtf8());
    receiver.WriteSettings(settings);

    receiver.Process().start(receiver.ProgramPath(), {});
    QVERIFY(receiver.Process().waitForStarted(20000));
    QVERIFY2(QTest::qWaitFor([&] { return QString::fromUtf8(receiver.ErrorOutput()).contains(message); }, 60000),
             receiver.ErrorOutput().constData());
    QCOMPARE(receiver.Process().state(), QProcess::Running);
    QTcpSocket probe;
    probe.connectToHost(QHostAddress::LocalHost, receiver.Port());
    QVERIFY(!probe.waitForConnected(2000) || probe.state() != QAbstractSocket::ConnectedState);
}

void ReceiverFaultsTest::everyAcknowledgedMessageSurvivesAKill()
{
    ReceiverProcess receiver(QStringLiteral(LARKSPUR_EXE));
    QVERIFY(receiver.Start());
    std::vector<std::unique_ptr<NumberedSender>> senders;
    for (int i = 0; i < 5; ++i) {
        senders.push_back(std::make_unique<NumberedSender>(receiver.Port(), i));
    }
    const auto acknowledged = [&] {
        qsizetype total = 0;
        for (const auto& sender : senders) {
            total += sender->Acknowledged().size();
        }
        return total;
    };
    QVERIFY(QTest::qWaitFor([&] { return acknowledged() >= 300; }, 120000));
    receiver.Kill();
    // The next start on the folder leaves only whole messages, each named
    // once in the log, and nothing in the spool.
    QVERIFY(receiver.Start());
    receiver.Kill();
    QMap<QByteArray, int> logLines;
    for (const QByteArray& line : receiver.ReadStored(QStringLiteral("Larkspur.log")).split('\n')) {
        logLines[line.trimmed()] += line.isEmpty() ? 0 : 1;
    }
    QCOMPARE(QDir(receiver.StorageFolder() + QStringLiteral("/.Larkspur.spool")).entryList(QDir::Files),
             (QStringList{"journal", "lock"}));

    for (const auto& sender : senders) {
        const QByteArray stored =
            AllStoredFor(receiver.StorageFolder() + u'/' + QString::fromLatin1(sender->Domain()));
        for (int number : sender->Acknowledged()) {
            QVERIFY2(stored.contains(sender->Message(number)),
                     qPrintable(QStringLiteral("%1 message %2").arg(QString::fromLatin1(sender->Domain())).arg(number)));
        }
        const QString folder = receiver.StorageFolder() + u'/' + QString::fromLatin1(sender->Domain());
        for (const QString& name : QDir(folder).entryList(QDir::Files)) {
            QByteArray rest = receiver.ReadStored(QString::fromLatin1(sender->Domain()) + u'/' + name);
            int messages = 0;
            for (; !rest.isEmpty(); ++messages) {
                const QByteArray whole = sender->Message(rest.mid(rest.indexOf('-') + 1).split('\r').first().toInt());
                QVERIFY2(rest.startsWith(whole), qPrintable(name));
                rest.remove(0, whole.size());
            }
            QCOMPARE(logLines.value(QFile::encodeName(folder + u'/' + name)), messages);
        }
    }
}

QTEST_GUILESS_MAIN(ReceiverFaultsTest)
#include "tst_receiver_faults.moc"
