#include "ChunkReceiver.h"
#include "DataCollector.h"
#include "RecordingSessionIo.h"
#include "SessionSlot.h"

#include <QTest>

class DataCollectionTest : public QObject {
    Q_OBJECT
private slots:
    void messageInOneChunk();
    void messageInManyChunksIsStoredOnce();
    void markerSplitOverChunks();
    void quitBehindMarkerIsStoredAndCarriedOut();
    void dotLinesThatAreNotTheMarkerDoNotEnd_data();
    void dotLinesThatAreNotTheMarkerDoNotEnd();
    void secondDataWithoutNewMailKeepsTheSender();
    void emptyMessageEnds();
    void storeFailureGets451AndSessionGoesOn();
    void incompleteCommandBehindMarkerWaitsForItsLineEnd();
    void oversizedMessageIsDroppedAndRefused();
    void dialoguesGiveTheSameResultHoweverSplit_data();
    void dialoguesGiveTheSameResultHoweverSplit();
};

namespace {

const QByteArray Ok = "250 OK\r\n";
const QByteArray GoAhead = "354 send the mail data, end with .\r\n";
const QByteArray Bye = "221 Service closing transmission channel\r\n";

// A session with a sender, already in data mode.
void StartData(SessionSlot& slot, RecordingSessionIo& io, const QByteArray& domain = "b.example")
{
    ReceiveChunk(slot, "MAIL FROM:<a@" + domain + ">\r\n", io);
    ReceiveChunk(slot, "DATA\r\n", io);
    QCOMPARE(io.replies, Ok + GoAhead);
    io.replies.clear();
}

struct Outcome {
    QByteArray replies;
    QList<QByteArray> stored;
    int closes = 0;
};

// Each step is sent only after the reply to the one before; within a step
// the chunks arrive as given.
Outcome Run(const QList<QList<QByteArray>>& steps)
{
    SessionSlot slot;
    RecordingSessionIo io;
    for (const auto& chunks : steps) {
        for (const QByteArray& chunk : chunks) {
            ReceiveChunk(slot, chunk, io);
        }
    }
    return {io.replies, io.stored, io.closes};
}

} // namespace

void DataCollectionTest::messageInOneChunk()
{
    SessionSlot slot;
    RecordingSessionIo io;
    StartData(slot, io);
    ReceiveChunk(slot, "Subject: hi\r\n\r\nbody\r\n.\r\n", io);
    QCOMPARE(io.stored, QList<QByteArray>{"Subject: hi\r\n\r\nbody\r\n.\r\n"});
    QCOMPARE(io.storedDomains, QList<QByteArray>{"b.example"});
    QCOMPARE(io.replies, Ok);
    QCOMPARE(slot.CurCommand, QByteArray("    "));
    QCOMPARE(slot.RecvBuffer, QByteArray());
}

void DataCollectionTest::messageInManyChunksIsStoredOnce()
{
    SessionSlot slot;
    RecordingSessionIo io;
    StartData(slot, io);
    ReceiveChunk(slot, "line one\r\n", io);
    ReceiveChunk(slot, "line two\r\n", io);
    QVERIFY(io.stored.isEmpty());
    QCOMPARE(io.replies, QByteArray());
    ReceiveChunk(slot, "line three\r\n.\r\n", io);
    QCOMPARE(io.stored, QList<QByteArray>{"line one\r\nline two\r\nline three\r\n.\r\n"});
    QCOMPARE(io.replies, Ok);
}

void DataCollectionTest::markerSplitOverChunks()
{
    SessionSlot slot;
    RecordingSessionIo io;
    StartData(slot, io);
    ReceiveChunk(slot, "text\r\n.", io);
    QVERIFY(io.stored.isEmpty());
    ReceiveChunk(slot, "\r\n", io);
    QCOMPARE(io.stored, QList<QByteArray>{"text\r\n.\r\n"});
}

void DataCollectionTest::quitBehindMarkerIsStoredAndCarriedOut()
{
    SessionSlot slot;
    RecordingSessionIo io;
    StartData(slot, io);
    ReceiveChunk(slot, "text\r\n.\r\nQUIT\r\n", io);
    QCOMPARE(io.stored, QList<QByteArray>{"text\r\n.\r\nQUIT\r\n"});
    QCOMPARE(io.replies, Ok + Bye);
    QCOMPARE(io.closes, 1);
}

void DataCollectionTest::dotLinesThatAreNotTheMarkerDoNotEnd_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("dot and a blank") << QByteArray("a\r\n. \r\n");
    QTest::newRow("two dots") << QByteArray("a\r\n..\r\n");
    QTest::newRow("dot and text") << QByteArray("a\r\n.x\r\n");
    QTest::newRow("dot without CR LF before it") << QByteArray("a.\r\n");
}

void DataCollectionTest::dotLinesThatAreNotTheMarkerDoNotEnd()
{
    QFETCH(QByteArray, text);
    SessionSlot slot;
    RecordingSessionIo io;
    StartData(slot, io);
    ReceiveChunk(slot, text, io);
    QVERIFY(io.stored.isEmpty());
    QCOMPARE(slot.CurCommand, QByteArray("DATA"));
    ReceiveChunk(slot, ".\r\n", io);
    QCOMPARE(io.stored, QList<QByteArray>{text + ".\r\n"});
}

void DataCollectionTest::secondDataWithoutNewMailKeepsTheSender()
{
    SessionSlot slot;
    RecordingSessionIo io;
    StartData(slot, io, "first.example");
    ReceiveChunk(slot, "one\r\n.\r\n", io);
    ReceiveChunk(slot, "DATA\r\n", io);
    ReceiveChunk(slot, "two\r\n.\r\n", io);
    QCOMPARE(io.replies, Ok + GoAhead + Ok);
    QCOMPARE(io.stored, (QList<QByteArray>{"one\r\n.\r\n", "two\r\n.\r\n"}));
    QCOMPARE(io.storedDomains, (QList<QByteArray>{"first.example", "first.example"}));
}

void DataCollectionTest::emptyMessageEnds()
{
    SessionSlot slot;
    RecordingSessionIo io;
    StartData(slot, io);
    ReceiveChunk(slot, ".\r\nNOOP\r\n", io);
    QCOMPARE(io.stored, QList<QByteArray>{".\r\nNOOP\r\n"});
    QCOMPARE(io.replies, Ok + Ok);
    QCOMPARE(slot.CurCommand, QByteArray("NOOP"));
}

void DataCollectionTest::storeFailureGets451AndSessionGoesOn()
{
    SessionSlot slot;
    RecordingSessionIo io;
    io.storeSucceeds = false;
    StartData(slot, io);
    ReceiveChunk(slot, "text\r\n.\r\n", io);
    QCOMPARE(io.replies, QByteArray("451 Requested action aborted: local error in processing\r\n"));
    QCOMPARE(slot.CurCommand, QByteArray("    "));
    QCOMPARE(slot.FromDomain, QByteArray("b.example"));
    io.replies.clear();
    ReceiveChunk(slot, "DATA\r\n", io);
    QCOMPARE(io.replies, GoAhead);
}

void DataCollectionTest::incompleteCommandBehindMarkerWaitsForItsLineEnd()
{
    SessionSlot slot;
    RecordingSessionIo io;
    StartData(slot, io);
    ReceiveChunk(slot, "text\r\n.\r\nQU", io);
    QCOMPARE(io.replies, Ok);
    QCOMPARE(io.closes, 0);
    QCOMPARE(slot.RecvBuffer, QByteArray("QU"));
    ReceiveChunk(slot, "IT\r\n", io);
    QCOMPARE(io.replies, Ok + Bye);
    QCOMPARE(io.closes, 1);
}

void DataCollectionTest::oversizedMessageIsDroppedAndRefused()
{
    SessionSlot slot;
    RecordingSessionIo io;
    StartData(slot, io);
    const QByteArray block = QByteArray(1024 * 1024 - 2, 'x') + "\r\n";
    for (int i = 0; i < 101; ++i) {
        ReceiveChunk(slot, block, io);
        QVERIFY(slot.RecvBuffer.size() <= MaxMessageBytes + block.size());
    }
    QVERIFY(slot.Oversized);
    QVERIFY(slot.RecvBuffer.size() < block.size());
    ReceiveChunk(slot, "tail\r\n.", io);
    ReceiveChunk(slot, "\r\nNOOP\r\n", io);
    QVERIFY(io.stored.isEmpty());
    QCOMPARE(io.replies, QByteArray("552 Requested mail action aborted: exceeded storage allocation\r\n") + Ok);
    QCOMPARE(slot.FromDomain, QByteArray("b.example"));
    QVERIFY(!slot.Oversized);
}

void DataCollectionTest::dialoguesGiveTheSameResultHoweverSplit_data()
{
    QTest::addColumn<QList<QByteArray>>("steps");
    QTest::newRow("plain delivery") << QList<QByteArray>{
        "HELO client.example\r\n",      "MAIL FROM:<sender@b.example>\r\n",
        "RCPT TO:<rcpt@c.example>\r\n", "DATA\r\n",
        "Subject: x\r\n\r\nbody\r\n..stuffed\r\n.x\r\n. \r\n.\r\n", "QUIT\r\n"};
    QTest::newRow("refusals and a second message") << QList<QByteArray>{
        "EHLO client\r\n", "DATA\r\n", "MAIL FROM:<>\r\n", "mail FROM: s@d.example \r\n", "RCPT\r\n", "DATA\r\n",
        "one\r\n.\r\n",    "DATA\r\n", "\r\n.\r\n",        "RSET\r\n",                     "VRFY x\r\n", "HELP\r\n",
        "NOOP\r\n"};
    // Text behind the marker is stored with the message as it arrived, so
    // these dialogues wait for each reply.
    QTest::newRow("empty message and a second one") << QList<QByteArray>{
        "MAIL FROM:<a@e.example>\r\n", "DATA\r\n", ".\r\n", "DATA\r\n", "x\r\n.\r\n", "QUIT\r\n"};
}

void DataCollectionTest::dialoguesGiveTheSameResultHoweverSplit()
{
    QFETCH(QList<QByteArray>, steps);

    QList<QList<QByteArray>> whole;
    for (const QByteArray& step : steps) {
        whole.append({step});
    }
    const Outcome expected = Run(whole);
    QVERIFY(!expected.replies.isEmpty());

    for (int s = 0; s < steps.size(); ++s) {
        for (int cut = 1; cut < steps[s].size(); ++cut) {
            QList<QList<QByteArray>> split = whole;
            split[s] = {steps[s].left(cut), steps[s].mid(cut)};
            const Outcome got = Run(split);
            QVERIFY2(got.replies == expected.replies && got.stored == expected.stored &&
                         got.closes == expected.closes,
                     qPrintable(QStringLiteral("step %1 split at %2").arg(s).arg(cut)));
        }
    }

    QList<QList<QByteArray>> bytewise;
    for (const QByteArray& step : steps) {
        QList<QByteArray> bytes;
        for (char c : step) {
            bytes.append(QByteArray(1, c));
        }
        bytewise.append(bytes);
    }
    const Outcome got = Run(bytewise);
    QCOMPARE(got.replies, expected.replies);
    QCOMPARE(got.stored, expected.stored);
    QCOMPARE(got.closes, expected.closes);
}

QTEST_GUILESS_MAIN(DataCollectionTest)
#include "tst_data_collection.moc"
