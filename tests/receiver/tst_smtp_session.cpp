#include "SmtpSession.h"

#include <QTest>

class SmtpSessionTest : public QObject {
    Q_OBJECT
private slots:
    void commandTable_data();
    void commandTable();
    void addressDomain_data();
    void addressDomain();
    void dialoguesGiveFixedResultsHoweverSplit_data();
    void dialoguesGiveFixedResultsHoweverSplit();
    void longCommandLineGetsOneRefusal_data();
    void longCommandLineGetsOneRefusal();
    void sizeLimitIsExact_data();
    void sizeLimitIsExact();
    void storeFailureGets451AndSessionGoesOn();
    void chunksThatEndALine_data();
    void chunksThatEndALine();
};

namespace {

const QByteArray Ok = "250 OK\r\n";
const QByteArray GoAhead = "354 send the mail data, end with .\r\n";
const QByteArray Bye = "221 Service closing transmission channel\r\n";
const QByteArray NotImplemented = "502 Command not implemented.\r\n";
const QByteArray SyntaxError = "501 Syntax error in prameters or arguments\r\n";
const QByteArray TooLong = "500 Line too long\r\n";

struct Transcript {
    QByteArray replies;
    QList<QByteArray> stored; // "domain|bytes"
    int closes = 0;
    qsizetype mostHeld = 0;
    QByteArray lineEnds; // per chunk: '1' when it completed a line
};

// Feeds the chunks in order, storing every message handed out.
Transcript Run(SmtpSession& session, const QList<QByteArray>& chunks, bool storeSucceeds = true)
{
    Transcript t;
    QByteArray message;
    for (const QByteArray& chunk : chunks) {
        SessionOutput out = session.ReceiveChunk(chunk);
        t.lineEnds += out.lineEnded ? '1' : '0';
        for (;;) {
            t.replies += out.replies;
            t.closes += out.close ? 1 : 0;
            if (out.messageDropped) {
                message.clear();
            }
            message += out.messageBytes;
            if (!out.messageEnds) {
                break;
            }
            t.stored.append(session.FromDomain() + '|' + std::exchange(message, QByteArray()));
            out = session.MessageStored(storeSucceeds);
        }
        t.mostHeld = std::max(t.mostHeld, session.HeldBytes());
    }
    return t;
}

Transcript Run(const QList<QByteArray>& chunks)
{
    SmtpSession session;
    return Run(session, chunks);
}

QList<QByteArray> Pieces(const QByteArray& bytes, qsizetype size)
{
    QList<QByteArray> pieces;
    for (qsizetype at = 0; at < bytes.size(); at += size) {
        pieces.append(bytes.mid(at, size));
    }
    return pieces;
}

} // namespace

void SmtpSessionTest::commandTable_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QByteArray>("domain");
    QTest::addColumn<int>("closes");

    const QByteArray none;
    const QByteArray mail = "MAIL FROM:<a@b.example>\r\n";

    QTest::newRow("HELO in lower case is accepted") << none << QByteArray("helo client\r\n") << Ok << none << 0;
    QTest::newRow("HELO forgets the sender") << mail << QByteArray("HELO client\r\n") << Ok << none << 0;
    QTest::newRow("a word that begins with HELO counts as HELO")
        << none << QByteArray("HELOX client\r\n") << Ok << none << 0;
    QTest::newRow("EHLO is not implemented") << none << QByteArray("EHLO client\r\n") << NotImplemented << none << 0;
    QTest::newRow("a short unknown word is not implemented")
        << none << QByteArray("HI\r\n") << NotImplemented << none << 0;
    QTest::newRow("MAIL sets the sender domain")
        << none << QByteArray("MAIL FROM:<user@Example.COM>\r\n") << Ok << QByteArray("Example.COM") << 0;
    QTest::newRow("MAIL written in lower case is a syntax error")
        << none << QByteArray("mail from:<a@b>\r\n") << SyntaxError << none << 0;
    QTest::newRow("MAIL without FROM: is a syntax error")
        << none << QByteArray("MAIL <a@b>\r\n") << SyntaxError << none << 0;
    QTest::newRow("a failing MAIL forgets the earlier sender")
        << mail << QByteArray("MAIL FROM:<>\r\n") << SyntaxError << none << 0;
    QTest::newRow("RCPT with TO: is accepted")
        << mail << QByteArray("RCPT TO:<x@y>\r\n") << Ok << QByteArray("b.example") << 0;
    QTest::newRow("RCPT without TO: is a syntax error")
        << mail << QByteArray("RCPT <x@y>\r\n") << SyntaxError << QByteArray("b.example") << 0;
    QTest::newRow("DATA without a sender is out of sequence")
        << none << QByteArray("DATA\r\n") << QByteArray("503 Bad sequence of commands, HELO required\r\n") << none
        << 0;
    QTest::newRow("DATA after MAIL needs no RCPT")
        << mail << QByteArray("DATA\r\n") << GoAhead << QByteArray("b.example") << 0;
    QTest::newRow("RSET keeps the sender") << mail << QByteArray("RSET\r\n") << Ok << QByteArray("b.example") << 0;
    QTest::newRow("NOOP") << none << QByteArray("NOOP\r\n") << Ok << none << 0;
    QTest::newRow("HELP lists the commands")
        << none << QByteArray("HELP\r\n")
        << QByteArray("214 Available Command; DATA,HELO,HELP,MAIL,NOOP,QUIT,RCPT,RSET,VRFY\r\n") << none << 0;
    QTest::newRow("VRFY accepts anyone")
        << none << QByteArray("VRFY whoever@wherever\r\n") << QByteArray("250 OK Anyone can be acceptable\r\n")
        << none << 0;
    QTest::newRow("QUIT replies, closes and forgets the sender") << mail << QByteArray("QUIT\r\n") << Bye << none << 1;
    QTest::newRow("an unknown verb is not implemented")
        << mail << QByteArray("XYZW\r\n") << NotImplemented << QByteArray("b.example") << 0;
}

void SmtpSessionTest::commandTable()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, reply);
    QFETCH(QByteArray, domain);
    QFETCH(int, closes);

    SmtpSession session;
    Run(session, {before});
    const Transcript t = Run(session, {line});
    QCOMPARE(t.replies, reply);
    QCOMPARE(session.FromDomain(), domain);
    QCOMPARE(t.closes, closes);
    QCOMPARE(session.RecvBuffer(), QByteArray());
}

void SmtpSessionTest::addressDomain_data()
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
    QTest::newRow("line ends are removed first")
        << QByteArray("<user@exa\r\nmple.com>\r\n") << QByteArray("example.com");
    QTest::newRow("parameters after the address are ignored")
        << QByteArray("<user@example.com> SIZE=1000 BODY=8BITMIME") << QByteArray("example.com");
    QTest::newRow("case is kept") << QByteArray("<u@MiXeD.Example>") << QByteArray("MiXeD.Example");
}

void SmtpSessionTest::addressDomain()
{
    QFETCH(QByteArray, argument);
    QFETCH(QByteArray, domain);
    QCOMPARE(SmtpSession::GetAddressDomain(argument), domain);
}

void SmtpSessionTest::dialoguesGiveFixedResultsHoweverSplit_data()
{
    QTest::addColumn<QByteArray>("dialogue");
    QTest::addColumn<QByteArray>("replies");
    QTest::addColumn<QList<QByteArray>>("stored");
    QTest::addColumn<int>("closes");

    QTest::newRow("delivery with dot lines; commands behind QUIT are ignored")
        << QByteArray("HELO client.example\r\nMAIL FROM:<sender@b.example>\r\nRCPT TO:<rcpt@c.example>\r\n"
                      "DATA\r\nSubject: x\r\n\r\nbody\r\n..stuffed\r\n.x\r\n. \r\na.\r\n.\r\nQUIT\r\nNOOP\r\n")
        << Ok + Ok + Ok + GoAhead + Ok + Bye
        << QList<QByteArray>{"b.example|Subject: x\r\n\r\nbody\r\n..stuffed\r\n.x\r\n. \r\na.\r\n.\r\n"} << 1;
    QTest::newRow("refusals, then two messages for one sender")
        << QByteArray("EHLO client\r\nDATA\r\nMAIL FROM:<>\r\nmail FROM: s@d.example \r\nRCPT\r\nDATA\r\n"
                      "one\r\n.\r\nDATA\r\n\r\n.\r\nRSET\r\nVRFY x\r\nNOOP\r\n")
        << NotImplemented + "503 Bad sequence of commands, HELO required\r\n" + SyntaxError + Ok + SyntaxError +
               GoAhead + Ok + GoAhead + Ok + Ok + "250 OK Anyone can be acceptable\r\n" + Ok
        << QList<QByteArray>{"d.example|one\r\n.\r\n", "d.example|\r\n.\r\n"} << 0;
    QTest::newRow("empty lines get no reply; an empty message")
        << QByteArray("\r\nHELO x\r\n\r\n\r\nMAIL FROM:<a@e.example>\r\nDATA\r\n.\r\n\r\nDATA\r\nx\r\n.\r\nQUIT\r\n")
        << Ok + Ok + GoAhead + Ok + GoAhead + Ok + Bye
        << QList<QByteArray>{"e.example|.\r\n", "e.example|x\r\n.\r\n"} << 1;
    QTest::newRow("QUIT inside a message is message text")
        << QByteArray("MAIL FROM:<a@f.example>\r\nDATA\r\nQUIT\r\nRSET\r\n.\r\nQUIT\r\n")
        << Ok + GoAhead + Ok + Bye << QList<QByteArray>{"f.example|QUIT\r\nRSET\r\n.\r\n"} << 1;
}

void SmtpSessionTest::dialoguesGiveFixedResultsHoweverSplit()
{
    QFETCH(QByteArray, dialogue);
    QFETCH(QByteArray, replies);
    QFETCH(QList<QByteArray>, stored);
    QFETCH(int, closes);

    QList<QList<QByteArray>> ways{{dialogue}, Pieces(dialogue, 1)};
    for (qsizetype cut = 1; cut < dialogue.size(); ++cut) {
        ways.append({dialogue.left(cut), dialogue.mid(cut)});
    }
    for (const QList<QByteArray>& chunks : ways) {
        const Transcript t = Run(chunks);
        const QString how = QStringLiteral("%1 chunks, the first of %2 bytes").arg(chunks.size()).arg(chunks[0].size());
        QVERIFY2(t.replies == replies, qPrintable(how + QStringLiteral(": ") + QString::fromLatin1(t.replies)));
        QVERIFY2(t.stored == stored, qPrintable(how));
        QVERIFY2(t.closes == closes, qPrintable(how));
    }
}

void SmtpSessionTest::longCommandLineGetsOneRefusal_data()
{
    QTest::addColumn<qsizetype>("length");
    QTest::addColumn<qsizetype>("piece");
    QTest::addColumn<QByteArray>("replies");

    // The dialogue is "NOOP\r\n", the line of "x", "\r\nNOOP\r\n".
    QTest::newRow("65,535 bytes are still a command") << qsizetype(65535) << qsizetype(1 << 20)
                                                      << Ok + NotImplemented + Ok;
    QTest::newRow("65,536 bytes in one chunk") << qsizetype(65536) << qsizetype(1 << 20) << Ok + TooLong + Ok;
    QTest::newRow("65,536 bytes, CR LF in the next chunk") << qsizetype(65536) << qsizetype(6 + 65536)
                                                           << Ok + TooLong + Ok;
    QTest::newRow("65,536 bytes, LF alone in the next chunk")
        << qsizetype(65536) << qsizetype(6 + 65537) << Ok + TooLong + Ok;
    QTest::newRow("70,000 bytes in two pieces") << qsizetype(70000) << qsizetype(40000) << Ok + TooLong + Ok;
    QTest::newRow("200,000 bytes in 4 KiB pieces") << qsizetype(200000) << qsizetype(4096) << Ok + TooLong + Ok;
    QTest::newRow("70,000 bytes byte by byte") << qsizetype(70000) << qsizetype(1) << Ok + TooLong + Ok;
}

void SmtpSessionTest::longCommandLineGetsOneRefusal()
{
    QFETCH(qsizetype, length);
    QFETCH(qsizetype, piece);
    QFETCH(QByteArray, replies);
    const Transcript t = Run(Pieces("NOOP\r\n" + QByteArray(length, 'x') + "\r\nNOOP\r\n", piece));
    QCOMPARE(t.replies, replies);
    QVERIFY2(t.mostHeld <= 65536 + 1, qPrintable(QString::number(t.mostHeld)));
}

void SmtpSessionTest::sizeLimitIsExact_data()
{
    QTest::addColumn<qsizetype>("size");
    QTest::addColumn<qsizetype>("piece");
    QTest::addColumn<QByteArray>("replies");

    QTest::newRow("104,857,600 bytes are stored") << qsizetype(104857600) << qsizetype(1 << 30) << GoAhead + Ok + Ok;
    QTest::newRow("one more byte, end line in the chunk that crosses")
        << qsizetype(104857601) << qsizetype(1 << 30)
        << GoAhead + "552 Requested mail action aborted: exceeded storage allocation\r\n" + Ok;
    QTest::newRow("one more byte, in 1 MiB pieces")
        << qsizetype(104857601) << qsizetype(1 << 20)
        << GoAhead + "552 Requested mail action aborted: exceeded storage allocation\r\n" + Ok;
}

void SmtpSessionTest::sizeLimitIsExact()
{
    QFETCH(qsizetype, size);
    QFETCH(qsizetype, piece);
    QFETCH(QByteArray, replies);
    // The message counts from the first byte after the 354 reply through ".\r\n".
    const QByteArray message = QByteArray(size - 5, 'm') + "\r\n.\r\n";
    SmtpSession session;
    Run(session, {"MAIL FROM:<a@b.example>\r\n"});
    const qsizetype tailRun = 4096;
    QList<QByteArray> chunks{"DATA\r\n" + message.left(tailRun)};
    chunks += Pieces(message.mid(tailRun) + "NOOP\r\n", piece);
    const Transcript t = Run(session, chunks);
    QCOMPARE(t.replies, replies);
    // The message is handed out as it comes, never held.
    QVERIFY(t.mostHeld < 4096);
    if (replies.contains("552")) {
        QVERIFY(t.stored.isEmpty());
    } else {
        QCOMPARE(t.stored.size(), 1);
        QVERIFY(t.stored[0] == "b.example|" + message);
    }
}

void SmtpSessionTest::storeFailureGets451AndSessionGoesOn()
{
    SmtpSession session;
    const Transcript t = Run(session, {"MAIL FROM:<a@b.example>\r\nDATA\r\nx\r\n.\r\nDATA\r\n"}, false);
    QCOMPARE(t.replies, Ok + GoAhead + "451 Requested action aborted: local error in processing\r\n" + GoAhead);
    QCOMPARE(t.stored, QList<QByteArray>{"b.example|x\r\n.\r\n"});
}

void SmtpSessionTest::chunksThatEndALine_data()
{
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<QByteArray>("lineEnds");
    const QByteArray inData = "MAIL FROM:<a@b.example>\r\nDATA\r\n";
    QTest::newRow("a command split inside its line end") << QList<QByteArray>{"NO", "OP\r", "\n"} << QByteArray("001");
    QTest::newRow("message text split inside a line end")
        << QList<QByteArray>{inData + "te", "xt\r", "\nmore"} << QByteArray("101");
    QTest::newRow("message text without a line end") << QList<QByteArray>{inData, "abc", "def"} << QByteArray("100");
    QTest::newRow("a refused long line ends at its line end")
        << QList<QByteArray>{QByteArray(70000, 'x'), "yy", "\r\n"} << QByteArray("001");
}

void SmtpSessionTest::chunksThatEndALine()
{
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(QByteArray, lineEnds);
    QCOMPARE(Run(chunks).lineEnds, lineEnds);
}

QTEST_GUILESS_MAIN(SmtpSessionTest)
#include "tst_smtp_session.moc"
