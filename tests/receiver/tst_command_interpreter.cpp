#include "ChunkReceiver.h"
#include "CommandInterpreter.h"
#include "RecordingSessionIo.h"
#include "SessionSlot.h"

#include <QTest>

class CommandInterpreterTest : public QObject {
    Q_OBJECT
private slots:
    void commandTable_data();
    void commandTable();
    void addressDomain_data();
    void addressDomain();
    void twoCommandsInOneChunkGetOneReply();
    void emptyLineLeavesNextLineBehindItsLineEnd();
    void lineInPiecesIsAnsweredOnceWhenComplete();
    void lineEndSplitBetweenChunksIsNoticed();
    void loneLineFeedAfterAnsweredCommandWaits();
    void overlongCommandLineIsRefusedAndForgotten();
};

namespace {

void Feed(SessionSlot& slot, RecordingSessionIo& io, const QByteArray& bytes)
{
    ReceiveChunk(slot, bytes, io);
}

} // namespace

void CommandInterpreterTest::commandTable_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QByteArray>("domain");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<int>("closes");

    const QByteArray none;
    const QByteArray mail = "MAIL FROM:<a@b.example>\r\n";
    const QByteArray ok = "250 OK\r\n";
    const QByteArray syntax = "501 Syntax error in prameters or arguments\r\n";
    const QByteArray notImpl = "502 Command not implemented.\r\n";

    QTest::newRow("HELO in lower case is accepted") << none << QByteArray("helo client\r\n") << ok << none
                                                   << QByteArray("HELO") << 0;
    QTest::newRow("HELO forgets the sender") << mail << QByteArray("HELO client\r\n") << ok << none
                                            << QByteArray("HELO") << 0;
    QTest::newRow("a word that begins with HELO counts as HELO")
        << none << QByteArray("HELOX client\r\n") << ok << none << QByteArray("HELO") << 0;
    QTest::newRow("EHLO is not implemented") << none << QByteArray("EHLO client\r\n") << notImpl << none
                                            << QByteArray("    ") << 0;
    QTest::newRow("a short unknown word is not implemented")
        << none << QByteArray("HI\r\n") << notImpl << none << QByteArray("    ") << 0;
    QTest::newRow("MAIL sets the sender domain") << none << QByteArray("MAIL FROM:<user@Example.COM>\r\n")
                                                << ok << QByteArray("Example.COM") << QByteArray("MAIL") << 0;
    QTest::newRow("MAIL written in lower case is a syntax error")
        << none << QByteArray("mail from:<a@b>\r\n") << syntax << none << QByteArray("MAIL") << 0;
    QTest::newRow("MAIL without FROM: is a syntax error")
        << none << QByteArray("MAIL <a@b>\r\n") << syntax << none << QByteArray("MAIL") << 0;
    QTest::newRow("a failing MAIL forgets the earlier sender")
        << mail << QByteArray("MAIL FROM:<>\r\n") << syntax << none << QByteArray("MAIL") << 0;
    QTest::newRow("RCPT with TO: is accepted") << mail << QByteArray("RCPT TO:<x@y>\r\n") << ok
                                              << QByteArray("b.example") << QByteArray("RCPT") << 0;
    QTest::newRow("RCPT without TO: is a syntax error")
        << mail << QByteArray("RCPT <x@y>\r\n") << syntax << QByteArray("b.example") << QByteArray("RCPT") << 0;
    QTest::newRow("DATA without a sender is out of sequence")
        << none << QByteArray("DATA\r\n") << QByteArray("503 Bad sequence of commands, HELO required\r\n")
        << none << QByteArray("    ") << 0;
    QTest::newRow("DATA after MAIL needs no RCPT")
        << mail << QByteArray("DATA\r\n") << QByteArray("354 send the mail data, end with .\r\n")
        << QByteArray("b.example") << QByteArray("DATA") << 0;
    QTest::newRow("RSET keeps the sender") << mail << QByteArray("RSET\r\n") << ok << QByteArray("b.example")
                                          << QByteArray("RSET") << 0;
    QTest::newRow("NOOP") << none << QByteArray("NOOP\r\n") << ok << none << QByteArray("NOOP") << 0;
    QTest::newRow("HELP lists the commands")
        << none << QByteArray("HELP\r\n")
        << QByteArray("214 Available Command; DATA,HELO,HELP,MAIL,NOOP,QUIT,RCPT,RSET,VRFY\r\n") << none
        << QByteArray("HELP") << 0;
    QTest::newRow("VRFY accepts anyone") << none << QByteArray("VRFY whoever@wherever\r\n")
                                        << QByteArray("250 OK Anyone can be acceptable\r\n") << none
                                        << QByteArray("VRFY") << 0;
    QTest::newRow("QUIT replies, closes and forgets the sender")
        << mail << QByteArray("QUIT\r\n") << QByteArray("221 Service closing transmission channel\r\n")
        << none << QByteArray("QUIT") << 1;
    QTest::newRow("an unknown verb is not implemented")
        << mail << QByteArray("XYZW\r\n") << notImpl << QByteArray("b.example") << QByteArray("    ") << 0;
}

void CommandInterpreterTest::commandTable()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, reply);
    QFETCH(QByteArray, domain);
    QFETCH(QByteArray, command);
    QFETCH(int, closes);

    SessionSlot slot;
    RecordingSessionIo io;
    if (!before.isEmpty()) {
        Feed(slot, io, before);
        io.replies.clear();
    }
    Feed(slot, io, line);
    QCOMPARE(io.replies, reply);
    QCOMPARE(slot.FromDomain, domain);
    QCOMPARE(slot.CurCommand, command);
    QCOMPARE(io.closes, closes);
    QCOMPARE(slot.RecvBuffer, QByteArray());
}

void CommandInterpreterTest::addressDomain_data()
{
    QTest::addColumn<QByteArray>("argument");
    QTest::addColumn<QByteArray>("domain");

    QTest::newRow("address in angle brackets") << QByteArray("<user@example.com>") << QByteArray("example.com");
    QTest::newRow("bare address with spaces around it")
        << QByteArray("  user@example.com  ") << QByteArray("example.com");
    QTest::newRow("empty angle brackets") << QByteArray("<>") << QByteArray();
    QTest::newRow("two at signs give the text after the second")
        << QByteArray("<a@b@c.example>") << QByteArray("c.example");
    QTest::newRow("no at sign gives the whole address") << QByteArray("<postmaster>") << QByteArray("postmaster");
    QTest::newRow("opening bracket only") << QByteArray("<user@example.com") << QByteArray();
    QTest::newRow("closing bracket only") << QByteArray("user@example.com>") << QByteArray();
    QTest::newRow("closing bracket before the opening one") << QByteArray(">user@example.com<") << QByteArray();
    QTest::newRow("line ends are removed first") << QByteArray("<user@exa\r\nmple.com>\r\n")
                                               << QByteArray("example.com");
    QTest::newRow("parameters after the address are ignored")
        << QByteArray("<user@example.com> SIZE=1000 BODY=8BITMIME") << QByteArray("example.com");
    QTest::newRow("case is kept") << QByteArray("<u@MiXeD.Example>") << QByteArray("MiXeD.Example");
}

void CommandInterpreterTest::addressDomain()
{
    QFETCH(QByteArray, argument);
    QFETCH(QByteArray, domain);
    QCOMPARE(GetAddressDomain(argument), domain);
}

void CommandInterpreterTest::twoCommandsInOneChunkGetOneReply()
{
    SessionSlot slot;
    RecordingSessionIo io;
    Feed(slot, io, "NOOP\r\nNOOP\r\n");
    QCOMPARE(io.replies, QByteArray("250 OK\r\n"));
    QCOMPARE(slot.RecvBuffer, QByteArray());
}

void CommandInterpreterTest::emptyLineLeavesNextLineBehindItsLineEnd()
{
    SessionSlot slot;
    RecordingSessionIo io;
    Feed(slot, io, "\r\n");
    QCOMPARE(io.replies, QByteArray());
    QCOMPARE(slot.RecvBuffer, QByteArray("\r\n"));
    Feed(slot, io, "HELO client\r\n");
    QCOMPARE(io.replies, QByteArray("502 Command not implemented.\r\n"));
}

void CommandInterpreterTest::lineInPiecesIsAnsweredOnceWhenComplete()
{
    SessionSlot slot;
    RecordingSessionIo io;
    Feed(slot, io, "HE");
    QCOMPARE(io.replies, QByteArray());
    QCOMPARE(slot.RecvBuffer, QByteArray("HE"));
    Feed(slot, io, "LO client\r\n");
    QCOMPARE(io.replies, QByteArray("250 OK\r\n"));
}

void CommandInterpreterTest::lineEndSplitBetweenChunksIsNoticed()
{
    SessionSlot slot;
    RecordingSessionIo io;
    Feed(slot, io, "NOOP\r");
    QCOMPARE(io.replies, QByteArray());
    Feed(slot, io, "\n");
    QCOMPARE(io.replies, QByteArray("250 OK\r\n"));
}

void CommandInterpreterTest::loneLineFeedAfterAnsweredCommandWaits()
{
    // The CR went with the answered command; a lone LF does not end a line.
    SessionSlot slot;
    RecordingSessionIo io;
    Feed(slot, io, "NOOP\r\n");
    Feed(slot, io, "\n");
    QCOMPARE(io.replies, QByteArray("250 OK\r\n"));
    QCOMPARE(slot.RecvBuffer, QByteArray("\n"));
}

void CommandInterpreterTest::overlongCommandLineIsRefusedAndForgotten()
{
    SessionSlot slot;
    RecordingSessionIo io;
    Feed(slot, io, QByteArray(MaxCommandBytes - 1, 'x'));
    QCOMPARE(io.replies, QByteArray());
    Feed(slot, io, "x");
    QCOMPARE(io.replies, QByteArray("500 Line too long\r\n"));
    QCOMPARE(slot.RecvBuffer, QByteArray());
    io.replies.clear();
    Feed(slot, io, "NOOP\r\n");
    QCOMPARE(io.replies, QByteArray("250 OK\r\n"));
}

QTEST_GUILESS_MAIN(CommandInterpreterTest)
#include "tst_command_interpreter.moc"
