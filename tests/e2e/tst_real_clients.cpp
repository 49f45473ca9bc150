// Real SMTP clients from the distribution deliver to the built receiver
// through a tap that keeps what went over the wire. Each client's own way of
// putting a message on the wire (dot-stuffing, line ends, headers of its own)
// is worked out here from what it was given and checked against the tap;
// the files on disk must then hold exactly those bytes.

#include "ReceiverProcess.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

constexpr int ClientTimeoutMs = 120000;
const QByteArray Recipient = "rcpt@larkspur.test";

// Replies the receiver gives a session that greets, sends messages and quits.
QByteArray SessionReplies(bool triesEhloFirst, int messageCount)
{
    QByteArray replies = "220 Larkspur Ver1.1 Ready\r\n";
    if (triesEhloFirst) {
        replies += "502 Command not implemented.\r\n";
    }
    replies += "250 OK\r\n";
    for (int i = 0; i < messageCount; ++i) {
        replies += "250 OK\r\n250 OK\r\n354 send the mail data, end with .\r\n250 OK\r\n";
    }
    return replies + "221 Service closing transmission channel\r\n";
}

// Relays every connection to the receiver and keeps the bytes of each
// direction, so a test knows exactly what a client sent.
class WireTap {
public:
    struct Session {
        QByteArray fromClient;
        QByteArray fromReceiver;
        bool clientGone = false;
        bool receiverGone = false;
        bool Closed() const { return clientGone && receiverGone; }
    };

    explicit WireTap(quint16 receiverPort) : receiverPort_(receiverPort)
    {
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] { AcceptAll(); });
        server_.listen(QHostAddress::LocalHost, 0);
    }

    bool IsListening() const { return server_.isListening(); }
    quint16 Port() const { return server_.serverPort(); }
    const std::vector<std::unique_ptr<Session>>& Sessions() const { return sessions_; }

    bool AllClosed() const
    {
        return std::all_of(sessions_.begin(), sessions_.end(), [](const auto& s) { return s->Closed(); });
    }

private:
    void AcceptAll()
    {
        while (QTcpSocket* client = server_.nextPendingConnection()) {
            sessions_.push_back(std::make_unique<Session>());
            Session* session = sessions_.back().get();
            auto* receiver = new QTcpSocket(client);

            QObject::connect(client, &QTcpSocket::readyRead, client, [client, receiver, session] {
                const QByteArray bytes = client->readAll();
                session->fromClient += bytes;
                receiver->write(bytes); // buffered by Qt until connected
            });
            QObject::connect(receiver, &QTcpSocket::readyRead, client, [client, receiver, session] {
                const QByteArray bytes = receiver->readAll();
                session->fromReceiver += bytes;
                client->write(bytes);
            });
            // Either side's close is passed on once its last bytes are.
            QObject::connect(client, &QTcpSocket::disconnected, client, [client, receiver, session] {
                const QByteArray rest = client->readAll();
                session->fromClient += rest;
                receiver->write(rest);
                session->clientGone = true;
                if (receiver->state() == QAbstractSocket::ConnectedState) {
                    receiver->disconnectFromHost();
                } else if (receiver->state() != QAbstractSocket::ClosingState) {
                    receiver->abort();
                    session->receiverGone = true;
                }
            });
            QObject::connect(receiver, &QTcpSocket::disconnected, client, [client, receiver, session] {
                const QByteArray rest = receiver->readAll();
                session->fromReceiver += rest;
                client->write(rest);
                session->receiverGone = true;
                if (client->state() == QAbstractSocket::ConnectedState) {
                    client->disconnectFromHost();
                }
            });
            // A receiver that cannot be reached leaves nothing to wait for.
            QObject::connect(receiver, &QTcpSocket::errorOccurred, client,
                             [client, receiver, session](QAbstractSocket::SocketError) {
                                 if (receiver->state() == QAbstractSocket::UnconnectedState) {
                                     session->receiverGone = true;
                                     client->disconnectFromHost();
                                 }
                             });
            receiver->connectToHost(QHostAddress::LocalHost, receiverPort_);
        }
    }

    QTcpServer server_;
    quint16 receiverPort_;
    std::vector<std::unique_ptr<Session>> sessions_;
};

// The message texts a client sent after each DATA line, each with its end
// line, as the receiver sees them.
QList<QByteArray> MessagesOnTheWire(const QByteArray& fromClient)
{
    QList<QByteArray> messages;
    qsizetype pos = 0;
    while (pos < fromClient.size()) {
        const qsizetype lineEnd = fromClient.indexOf("\r\n", pos);
        if (lineEnd < 0) {
            break;
        }
        const bool data = fromClient.mid(pos, lineEnd - pos).toUpper() == "DATA";
        pos = lineEnd + 2;
        if (!data) {
            continue;
        }
        // Searching from the DATA line's own CR LF also finds a message
        // that is nothing but the end line.
        const qsizetype marker = fromClient.indexOf("\r\n.\r\n", lineEnd);
        if (marker < 0) {
            messages.append(fromClient.mid(pos));
            break;
        }
        messages.append(fromClient.mid(pos, marker + 5 - pos));
        pos = marker + 5;
    }
    return messages;
}

// Stored messages split after each end line.
QList<QByteArray> SplitAfterEndLines(const QByteArray& stored)
{
    QList<QByteArray> messages;
    qsizetype start = 0;
    while (start < stored.size()) {
        const qsizetype marker = stored.indexOf("\r\n.\r\n", start);
        const qsizetype end = marker < 0 ? stored.size() : marker + 5;
        messages.append(stored.mid(start, end - start));
        start = end;
    }
    return messages;
}

QByteArray DoubleLeadingDots(QByteArray text, QByteArrayView lineEnd)
{
    text.replace(QByteArray(lineEnd.toByteArray() + '.'), QByteArray(lineEnd.toByteArray() + ".."));
    if (text.startsWith('.')) {
        text.prepend('.');
    }
    return text;
}

// Every LF that has no CR before it gets one; a lone CR stays as it is.
QByteArray CrlfLineEnds(const QByteArray& text)
{
    QByteArray out;
    out.reserve(text.size() + text.size() / 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) {
            out += '\r';
        }
        out += text[i];
    }
    return out;
}

// curl: a dot that starts a line after CR LF is doubled, a CR LF ends an
// unterminated last line; LF alone is neither a line end nor fixed. An
// empty file is the end line alone.
QByteArray CurlWire(const QByteArray& message)
{
    if (message.isEmpty()) {
        return ".\r\n";
    }
    QByteArray wire = DoubleLeadingDots(message, "\r\n");
    if (!wire.endsWith("\r\n")) {
        wire += "\r\n";
    }
    return wire + ".\r\n";
}

// smtplib, given bytes: a dot after any LF is doubled, line ends are left
// alone, a CR LF ends an unterminated last line.
QByteArray SmtplibWire(const QByteArray& message)
{
    QByteArray wire = DoubleLeadingDots(message, "\n");
    if (!wire.endsWith("\r\n")) {
        wire += "\r\n";
    }
    return wire + ".\r\n";
}

// msmtp: every line, split at LF, is sent with CR LF (an existing CR LF is
// kept as one), its leading dot doubled.
QByteArray MsmtpWire(const QByteArray& message)
{
    QByteArray wire = DoubleLeadingDots(CrlfLineEnds(message), "\r\n");
    if (!wire.endsWith("\r\n")) {
        wire += "\r\n";
    }
    return wire + ".\r\n";
}

// swaks with a whole message as data: line ends made CR LF, leading dots
// doubled, then CR LF and the end line, whether or not the text ended in a
// line end of its own.
QByteArray SwaksDataWire(const QByteArray& message)
{
    return DoubleLeadingDots(CrlfLineEnds(message), "\r\n") + "\r\n.\r\n";
}

struct SwaksHeaders {
    QByteArray date;
    QByteArray subject;
    QByteArray messageId;
};

// swaks with a body only: its own header block (the values it takes from
// the command line pinned), a blank line, the body treated like data with a
// line end of its own after it.
QByteArray SwaksBodyWire(const QByteArray& body, const QByteArray& sender, const SwaksHeaders& pinned,
                         const QByteArray& version)
{
    const QByteArray head = "Date: " + pinned.date + "\r\nTo: " + Recipient + "\r\nFrom: " + sender +
                            "\r\nSubject: " + pinned.subject + "\r\nMessage-Id: " + pinned.messageId +
                            "\r\nX-Mailer: swaks v" + version + " jetmore.org/john/code/swaks/\r\n\r\n";
    return head + DoubleLeadingDots(CrlfLineEnds(body + '\n'), "\r\n") + "\r\n.\r\n";
}

const SwaksHeaders PinnedSwaksHeaders{"Tue, 25 Mar 2003 14:05:09 +0900", "pinned subject",
                                      "<pinned.1@larkspur.test>"};
const QByteArray SmtpSourceSubject = "\xe4\xbb\xb6\xe5\x90\x8d smtp-source";
const QByteArray SmtpSourceBody =
    "La de da de da 1.\r\nLa de da de da 2.\r\nLa de da de da 3.\r\nLa de da de da 4.\r\n.\r\n";

// A message with everything a client might alter: 8-bit lines, lines that
// start with dots, a lone CR inside a line, and no line end after the last
// line. The three headers keep msmtp from adding its own.
QByteArray AwkwardMessage(const QByteArray& sender)
{
    return "From: " + sender + "\r\nDate: Tue, 25 Mar 2003 14:05:09 +0900\r\n"
           "Message-ID: <awkward.1@larkspur.test>\r\nSubject: awkward\r\n\r\n"
           "UTF-8: \xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e\xe3\x81\xa7\xe3\x81\x99\r\n"
           "Shift_JIS: \x93\xfa\x96\x7b\x8c\xea\x82\xc5\x82\xb7\r\n"
           ".\r\n..\r\n.x\r\n"
           "a lone\rCR\r\n"
           "last line";
}

// The same kinds of lines, written with LF line ends as a Unix program
// would hand them over.
QByteArray LfMessage(const QByteArray& sender)
{
    return "From: " + sender + "\nDate: Tue, 25 Mar 2003 14:05:09 +0900\n"
           "Message-ID: <lf.1@larkspur.test>\nSubject: lf\n\n"
           "UTF-8: \xe3\x83\x86\xe3\x82\xb9\xe3\x83\x88\n"
           "Shift_JIS: \x83\x65\x83\x58\x83\x67\n"
           ".\n..\n.x\n"
           "second paragraph\n\n"
           "last line\n";
}

// Exactly 5 MiB of CR LF lines, some 8-bit, some starting with a dot.
QByteArray FiveMebibyteMessage(const QByteArray& sender)
{
    constexpr qsizetype Size = 5 * 1024 * 1024;
    QByteArray message = "From: " + sender + "\r\nSubject: 5 MiB\r\n\r\n";
    message.reserve(Size + 200);
    for (int line = 0; message.size() < Size; ++line) {
        if (line % 50 == 0) {
            message += '.';
        }
        message += QByteArray::number(line) + " \xe3\x81\x82\xe3\x81\x84 \x82\xa0\x82\xa2 " +
                   QByteArray(60, char('A' + line % 26)) + "\r\n";
    }
    message.resize(Size - 2);
    return message + "\r\n";
}

QString ShowDifference(const QByteArray& actual, const QByteArray& expected)
{
    qsizetype at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) {
        ++at;
    }
    const qsizetype from = std::max<qsizetype>(0, at - 40);
    return QStringLiteral("sizes %1 and %2 (expected), first difference at byte %3:\n  actual:   %4\n  expected: %5")
        .arg(actual.size())
        .arg(expected.size())
        .arg(at)
        .arg(QString::fromLatin1(actual.mid(from, 100).toPercentEncoding(" ")),
             QString::fromLatin1(expected.mid(from, 100).toPercentEncoding(" ")));
}

#define COMPARE_BYTES(actual, expected, what)                                                                \
    do {                                                                                                     \
        const QByteArray a_ = (actual);                                                                      \
        const QByteArray e_ = (expected);                                                                    \
        QVERIFY2(a_ == e_, qPrintable(QString(what) + QStringLiteral(": ") + ShowDifference(a_, e_)));     \
    } while (false)

struct ClientRun {
    bool ended = false;
    int exitCode = -1;
    QByteArray output;
};

// Runs a client to its end. The tap relays on this thread, so the wait keeps
// the event loop turning.
ClientRun RunClient(const QString& program, const QStringList& arguments, const QString& inputFile = {})
{
    QProcess client;
    client.setProcessChannelMode(QProcess::MergedChannels);
    if (!inputFile.isEmpty()) {
        client.setStandardInputFile(inputFile);
    }
    client.start(program, arguments);
    ClientRun run;
    run.ended = QTest::qWaitFor([&] { return client.state() == QProcess::NotRunning; }, ClientTimeoutMs);
    if (!run.ended) {
        client.kill();
        client.waitForFinished(10000);
    }
    run.output = client.readAll();
    if (run.ended && client.exitStatus() == QProcess::NormalExit) {
        run.exitCode = client.exitCode();
    }
    return run;
}

QString FindClient(const QString& name)
{
    QString path = QStandardPaths::findExecutable(name);
    if (path.isEmpty()) {
        path = QStandardPaths::findExecutable(name, {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/local/sbin")});
    }
    return path;
}

struct ClientCommand {
    QString program;
    QStringList arguments;
    QString input; // file fed to standard input
};

// How each kind of client is told to send the given files from sender to
// Recipient through port.
ClientCommand CommandFor(const QString& client, quint16 port, const QString& sender, const QStringList& files)
{
    const QString portText = QString::number(port);
    const QString to = QString::fromUtf8(Recipient);
    if (client == u"curl") {
        // -q: a user's .curlrc must not change what is sent.
        return {client,
                {QStringLiteral("-q"), QStringLiteral("-sS"),
                 QStringLiteral("smtp://127.0.0.1:%1/larkspur.test").arg(port), QStringLiteral("--mail-from"),
                 sender, QStringLiteral("--mail-rcpt"), to, QStringLiteral("--upload-file"), files[0]},
                {}};
    }
    if (client == u"msmtp") {
        return {client,
                {QStringLiteral("--file=/dev/null"), QStringLiteral("--host=127.0.0.1"),
                 QStringLiteral("--port=") + portText, QStringLiteral("--from=") + sender,
                 QStringLiteral("--auth=off"), QStringLiteral("--tls=off"), QStringLiteral("--"), to},
                files[0]};
    }
    if (client.startsWith(u"swaks")) {
        // A bare --config keeps a user's .swaksrc out.
        QStringList arguments{QStringLiteral("--config"), QStringLiteral("--server"), QStringLiteral("127.0.0.1"),
                              QStringLiteral("--port"),   portText,                   QStringLiteral("--from"),
                              sender,                     QStringLiteral("--to"),     to};
        if (client == u"swaks-data") {
            arguments << QStringLiteral("--data") << u'@' + files[0];
        } else {
            arguments << QStringLiteral("--body") << u'@' + files[0] << QStringLiteral("--header")
                      << QString::fromUtf8("Date: " + PinnedSwaksHeaders.date) << QStringLiteral("--header")
                      << QString::fromUtf8("Subject: " + PinnedSwaksHeaders.subject) << QStringLiteral("--header")
                      << QString::fromUtf8("Message-Id: " + PinnedSwaksHeaders.messageId);
        }
        return {QStringLiteral("swaks"), arguments, {}};
    }
    return {QStringLiteral("python3"),
            QStringList{QStringLiteral(E2E_CLIENTS_DIR "/smtplib_session.py"), QStringLiteral("127.0.0.1"), portText,
                        sender, to} +
                files,
            {}};
}

QString LocalStamp()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd_HHmmss"));
}

} // namespace

class RealClientsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void messageIsStoredAsTheClientSentIt_data();
    void messageIsStoredAsTheClientSentIt();
    void everyMessageOfFiveParallelSmtpSourceSessionsIsStored();

private:
    // Arrival-log lines written since the given size, each checked to name
    // a message file of the domain stored between the two stamps; returns
    // the file names in log order.
    QStringList NewLogFileNames(qsizetype logSizeBefore, const QString& domain, const QString& earliest,
                                const QString& latest);
    QStringList StoredFiles(const QString& domain) const;
    void WaitForTapAndCheckReplies(const WireTap& tap, bool triesEhloFirst, int sessionCount,
                                   int messagesPerSession);

    std::unique_ptr<ReceiverProcess> receiver_;
    QByteArray swaksVersion_;
};

void RealClientsTest::initTestCase()
{
    receiver_ = std::make_unique<ReceiverProcess>(QStringLiteral(LARKSPUR_EXE));
    QVERIFY(receiver_->IsValid());
    QVERIFY2(receiver_->Start(), receiver_->ErrorOutput().constData());

    const QString swaks = FindClient(QStringLiteral("swaks"));
    if (!swaks.isEmpty()) {
        const ClientRun run = RunClient(swaks, {QStringLiteral("--version")});
        const QRegularExpressionMatch version =
            QRegularExpression(QStringLiteral("swaks version (\\S+)")).match(QString::fromUtf8(run.output));
        QVERIFY2(version.hasMatch(), run.output.constData());
        swaksVersion_ = version.captured(1).toUtf8();
    }
}

void RealClientsTest::cleanupTestCase()
{
    if (receiver_) {
        QCOMPARE(receiver_->Process().state(), QProcess::Running);
        receiver_.reset();
    }
}

QStringList RealClientsTest::NewLogFileNames(qsizetype logSizeBefore, const QString& domain,
                                             const QString& earliest, const QString& latest)
{
    const QByteArray added = receiver_->ReadStored(QStringLiteral("Larkspur.log")).mid(logSizeBefore);
    const QString prefix = receiver_->StorageFolder() + u'/' + domain + u'/';
    const QRegularExpression fileName(QStringLiteral("^\\d{8}_\\d{6}\\.log$"));
    QStringList names;
    qsizetype pos = 0;
    while (pos < added.size()) {
        const qsizetype end = added.indexOf("\r\n", pos);
        const QByteArray line = added.mid(pos, end < 0 ? -1 : end - pos);
        const QString path = QString::fromUtf8(line);
        const QString name = path.mid(prefix.size());
        const QString stamp = name.left(15);
        if (end < 0 || line.contains('\r') || line.contains('\n') || !path.startsWith(prefix) ||
            !fileName.match(name).hasMatch() || stamp < earliest || stamp > latest) {
            QTest::qFail(qPrintable(QStringLiteral("unexpected arrival-log line \"%1\" (domain %2, stored "
                                                   "between %3 and %4)")
                                        .arg(QString::fromLatin1(line.toPercentEncoding(" /@._")), domain, earliest,
                                             latest)),
                         __FILE__, __LINE__);
            return {};
        }
        names.append(name);
        pos = end + 2;
    }
    return names;
}

QStringList RealClientsTest::StoredFiles(const QString& domain) const
{
    return QDir(receiver_->StorageFolder() + u'/' + domain).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

void RealClientsTest::WaitForTapAndCheckReplies(const WireTap& tap, bool triesEhloFirst, int sessionCount,
                                                int messagesPerSession)
{
    QTRY_VERIFY_WITH_TIMEOUT(tap.AllClosed(), 60000);
    QCOMPARE(int(tap.Sessions().size()), sessionCount);
    for (const auto& session : tap.Sessions()) {
        COMPARE_BYTES(session->fromReceiver, SessionReplies(triesEhloFirst, messagesPerSession),
                      QStringLiteral("replies the client got"));
    }
}

void RealClientsTest::messageIsStoredAsTheClientSentIt_data()
{
    QTest::addColumn<QString>("client");
    QTest::addColumn<QByteArray>("sender");
    QTest::addColumn<QList<QByteArray>>("given");
    QTest::addColumn<QList<QByteArray>>("wire");

    const auto row = [](const char* name, const char* client, const QByteArray& sender,
                        const QList<QByteArray>& given, const QList<QByteArray>& wire) {
        QTest::newRow(name) << QString::fromLatin1(client) << sender << given << wire;
    };

    {
        const QByteArray sender = "someone@Curl.Example";
        const QByteArray message = AwkwardMessage(sender);
        row("curl doubles leading dots and ends the unterminated last line", "curl", sender, {message},
            {CurlWire(message)});
    }
    {
        const QByteArray sender = "someone@big.curl.example";
        const QByteArray message = FiveMebibyteMessage(sender);
        row("curl sends a 5 MiB message that is stored whole", "curl", sender, {message}, {CurlWire(message)});
    }
    {
        const QByteArray sender = "someone@lf.curl.example";
        const QByteArray message = LfMessage(sender);
        row("curl leaves LF line ends alone and they are stored as such", "curl", sender, {message},
            {CurlWire(message)});
    }
    {
        const QByteArray sender = "someone@empty.curl.example";
        row("curl sends an empty file as the end line alone, which is stored", "curl", sender, {QByteArray()},
            {CurlWire({})});
    }
    {
        const QByteArray sender = "someone@msmtp.example";
        const QByteArray message = AwkwardMessage(sender);
        row("msmtp sends 8-bit and dot lines of a CR LF message", "msmtp", sender, {message},
            {MsmtpWire(message)});
    }
    {
        const QByteArray sender = "someone@lf.msmtp.example";
        const QByteArray message = LfMessage(sender);
        row("msmtp turns LF line ends into CR LF", "msmtp", sender, {message}, {MsmtpWire(message)});
    }
    {
        const QByteArray sender = "someone@data.swaks.example";
        const QByteArray message = AwkwardMessage(sender);
        row("swaks sends a whole message given as data", "swaks-data", sender, {message},
            {SwaksDataWire(message)});
    }
    {
        const QByteArray sender = "someone@body.swaks.example";
        const QByteArray body = LfMessage(sender).mid(LfMessage(sender).indexOf("\n\n") + 2);
        row("swaks wraps a body in headers of its own", "swaks-body", sender, {body},
            {SwaksBodyWire(body, sender, PinnedSwaksHeaders, swaksVersion_)});
    }
    {
        const QByteArray sender = "someone@lf.smtplib.example";
        const QByteArray message = LfMessage(sender);
        row("smtplib sends LF line ends unchanged and they are stored as such", "smtplib", sender, {message},
            {SmtplibWire(message)});
    }
    {
        const QByteArray sender = "someone@Session.Smtplib.Example";
        const QByteArray first = AwkwardMessage(sender);
        const QByteArray second = "Subject: second\r\n\r\n..starts with two dots\r\nend\r\n";
        const QByteArray third = "Subject: third\r\n\r\n\x82\xa0\r\n";
        row("smtplib sends three messages in one session, stored one after another", "smtplib", sender,
            {first, second, third}, {SmtplibWire(first), SmtplibWire(second), SmtplibWire(third)});
    }
}

void RealClientsTest::messageIsStoredAsTheClientSentIt()
{
    QFETCH(QString, client);
    QFETCH(QByteArray, sender);
    QFETCH(QList<QByteArray>, given);
    QFETCH(QList<QByteArray>, wire);

    QTemporaryDir work;
    QVERIFY(work.isValid());
    QStringList files;
    for (int i = 0; i < given.size(); ++i) {
        QFile file(work.filePath(QStringLiteral("message%1.eml").arg(i)));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(given[i]), given[i].size());
        files.append(file.fileName());
    }

    WireTap tap(receiver_->Port());
    QVERIFY(tap.IsListening());
    const QString from = QString::fromUtf8(sender);
    const ClientCommand command = CommandFor(client, tap.Port(), from, files);
    const QString program = FindClient(command.program);
    if (program.isEmpty()) {
        QSKIP(qPrintable(command.program +
                         QStringLiteral(" is not installed; tools/install-test-clients.sh installs it")));
    }

    const QString domain = from.mid(from.lastIndexOf(u'@') + 1);
    const qsizetype logSizeBefore = QFile(receiver_->StorageFolder() + QStringLiteral("/Larkspur.log")).size();
    const QString earliest = LocalStamp();
    const ClientRun run = RunClient(program, command.arguments, command.input);
    const QString latest = LocalStamp();
    QVERIFY2(run.ended, run.output.constData());
    QVERIFY2(run.exitCode == 0, run.output.constData());

    // Every one of these clients opens with EHLO and falls back to HELO.
    WaitForTapAndCheckReplies(tap, true, 1, int(given.size()));
    if (QTest::currentTestFailed()) {
        return;
    }
    const QList<QByteArray> sent = MessagesOnTheWire(tap.Sessions()[0]->fromClient);
    QCOMPARE(sent.size(), wire.size());
    for (int i = 0; i < wire.size(); ++i) {
        COMPARE_BYTES(sent[i], wire[i], QStringLiteral("what the client put on the wire"));
    }

    const QStringList logged = NewLogFileNames(logSizeBefore, domain, earliest, latest);
    if (QTest::currentTestFailed()) {
        return;
    }
    QCOMPARE(logged.size(), wire.size());
    // Messages stored within the same second share one file, in order.
    QMap<QString, QByteArray> expected;
    for (int i = 0; i < wire.size(); ++i) {
        expected[logged[i]] += wire[i];
    }
    QCOMPARE(StoredFiles(domain), expected.keys());
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        COMPARE_BYTES(receiver_->ReadStored(domain + u'/' + it.key()), it.value(),
                      QStringLiteral("message file ") + it.key());
    }
    QCOMPARE(receiver_->Process().state(), QProcess::Running);
}

void RealClientsTest::everyMessageOfFiveParallelSmtpSourceSessionsIsStored()
{
    const QString program = FindClient(QStringLiteral("smtp-source"));
    if (program.isEmpty()) {
        QSKIP("smtp-source (postfix) is not installed; tools/install-test-clients.sh installs it");
    }
    constexpr int MessageCount = 30;
    const QByteArray sender = "source@Parallel.Example";
    const QString domain = QStringLiteral("Parallel.Example");

    WireTap tap(receiver_->Port());
    QVERIFY(tap.IsListening());
    const qsizetype logSizeBefore = QFile(receiver_->StorageFolder() + QStringLiteral("/Larkspur.log")).size();
    const QString earliest = LocalStamp();
    const ClientRun run = RunClient(
        program, {QStringLiteral("-s"), QStringLiteral("5"), QStringLiteral("-m"), QString::number(MessageCount),
                  QStringLiteral("-c"), QStringLiteral("-S"), QString::fromUtf8(SmtpSourceSubject),
                  QStringLiteral("-f"), QString::fromUtf8(sender), QStringLiteral("-t"), QString::fromUtf8(Recipient),
                  QStringLiteral("127.0.0.1:%1").arg(tap.Port())});
    const QString latest = LocalStamp();
    QVERIFY2(run.ended, run.output.constData());
    QVERIFY2(run.exitCode == 0, run.output.constData());

    // One message per session, HELO straight away.
    WaitForTapAndCheckReplies(tap, false, MessageCount, 1);
    if (QTest::currentTestFailed()) {
        return;
    }

    // smtp-source writes its own headers; Date and Message-Id vary, so they
    // are taken from the wire, everything else is known.
    const QRegularExpression variable(QStringLiteral("\r\nDate: ([^\r\n]+)\r\nMessage-Id: ([^\r\n]+)\r\n"));
    QList<QByteArray> sent;
    for (const auto& session : tap.Sessions()) {
        const QList<QByteArray> messages = MessagesOnTheWire(session->fromClient);
        QCOMPARE(messages.size(), 1);
        const QRegularExpressionMatch match = variable.match(QString::fromLatin1(messages[0]));
        QVERIFY2(match.hasMatch(), messages[0].constData());
        const QByteArray expected = "From: <" + sender + ">\r\nTo: <" + Recipient + ">\r\nDate: " +
                                    match.captured(1).toLatin1() + "\r\nMessage-Id: " + match.captured(2).toLatin1() +
                                    "\r\nSubject: " + SmtpSourceSubject + "\r\n\r\n" + SmtpSourceBody;
        COMPARE_BYTES(messages[0], expected, QStringLiteral("what smtp-source put on the wire"));
        sent.append(messages[0]);
    }

    const QStringList logged = NewLogFileNames(logSizeBefore, domain, earliest, latest);
    if (QTest::currentTestFailed()) {
        return;
    }
    QCOMPARE(logged.size(), MessageCount);
    QStringList distinct = logged;
    distinct.removeDuplicates();
    distinct.sort();
    const QStringList files = StoredFiles(domain);
    QCOMPARE(files, distinct);

    // Sessions overlap, so which message went first is not known: each file
    // must hold as many whole messages as the log names it, and all files
    // together exactly the messages sent.
    QList<QByteArray> stored;
    for (const QString& file : files) {
        const QList<QByteArray> inFile = SplitAfterEndLines(receiver_->ReadStored(domain + u'/' + file));
        QCOMPARE(int(inFile.size()), int(logged.count(file)));
        stored += inFile;
    }
    std::sort(stored.begin(), stored.end());
    std::sort(sent.begin(), sent.end());
    QCOMPARE(stored.size(), sent.size());
    for (int i = 0; i < sent.size(); ++i) {
        COMPARE_BYTES(stored[i], sent[i], QStringLiteral("stored message"));
    }
    QCOMPARE(receiver_->Process().state(), QProcess::Running);
}

QTEST_GUILESS_MAIN(RealClientsTest)
#include "tst_real_clients.moc"
