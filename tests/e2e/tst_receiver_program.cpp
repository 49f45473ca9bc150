#include "ReceiverProcess.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QTest>

#include <csignal>

namespace {

// What smtplib puts on the wire after DATA for these bytes: leading dots
// doubled, a line end added when missing, then the end line.
QByteArray OnTheWire(const QByteArray& message)
{
    QByteArray wire = message;
    wire.replace("\n.", "\n..");
    if (wire.startsWith('.')) {
        wire.prepend('.');
    }
    if (!wire.endsWith("\r\n")) {
        wire += "\r\n";
    }
    return wire + ".\r\n";
}

int RunClient(const QStringList& arguments, QByteArray* output = nullptr)
{
    QProcess client;
    client.setProcessChannelMode(QProcess::MergedChannels);
    client.start(QStringLiteral("python3"), arguments);
    if (!client.waitForFinished(120000)) {
        client.kill();
        return -1;
    }
    if (output) {
        *output = client.readAll();
    }
    return client.exitStatus() == QProcess::NormalExit ? client.exitCode() : -1;
}

} // namespace

class ReceiverProgramTest : public QObject {
    Q_OBJECT
private slots:
    void messageFromSmtplibIsStoredByteForByte();
    void secondInstanceIsRefusedWhileTheFirstRuns();
    void stopSignalEndsTheWindowCleanly_data();
    void stopSignalEndsTheWindowCleanly();
};

void ReceiverProgramTest::messageFromSmtplibIsStoredByteForByte()
{
    ReceiverProcess receiver(QStringLiteral(LARKSPUR_EXE));
    QVERIFY(receiver.IsValid());
    QVERIFY2(receiver.Start(), receiver.ErrorOutput().constData());

    const QByteArray message = "From: a@Sender.Example\r\nSubject: test\r\n\r\n"
                               "UTF-8: \xe6\x97\xa5\xe6\x9c\xac\r\n"
                               "Shift_JIS: \x93\xfa\x96\x7b\r\n"
                               ".\r\n..\r\n.x\r\nlast line";
    QTemporaryFile file;
    QVERIFY(file.open());
    file.write(message);
    file.flush();

    QByteArray output;
    QCOMPARE(RunClient({QStringLiteral(E2E_CLIENTS_DIR "/smtplib_send.py"), QStringLiteral("127.0.0.1"),
                        QString::number(receiver.Port()), QStringLiteral("a@Sender.Example"),
                        QStringLiteral("b@here.example"), file.fileName()},
                       &output),
             0);

    const QStringList stored = QDir(receiver.StorageFolder() + QStringLiteral("/Sender.Example"))
                                   .entryList(QDir::Files);
    QCOMPARE(stored.size(), 1);
    QVERIFY(QRegularExpression(QStringLiteral("^\\d{8}_\\d{6}\\.log$")).match(stored[0]).hasMatch());
    QCOMPARE(receiver.ReadStored(QStringLiteral("Sender.Example/") + stored[0]), OnTheWire(message));
    QCOMPARE(receiver.ReadStored(QStringLiteral("Larkspur.log")),
             (receiver.StorageFolder() + QStringLiteral("/Sender.Example/") + stored[0] + QStringLiteral("\r\n"))
                 .toUtf8());
}

void ReceiverProgramTest::secondInstanceIsRefusedWhileTheFirstRuns()
{
    ReceiverProcess receiver(QStringLiteral(LARKSPUR_EXE));
    QVERIFY(receiver.Start());
    QFile settings(receiver.Folder() + QStringLiteral("/Larkspur.ini"));
    QVERIFY(settings.open(QIODevice::ReadOnly));
    const QByteArray settingsBefore = settings.readAll();
    settings.close();

    QProcess second;
    second.setProcessEnvironment(receiver.Process().processEnvironment());
    second.start(receiver.ProgramPath(), {});
    QVERIFY(second.waitForFinished(60000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QVERIFY2(QString::fromUtf8(second.readAllStandardError())
                 .contains(QStringLiteral("Larkspur: すでに同じプログラムが動いています。")),
             "the refusal was not shown");

    QCOMPARE(receiver.Process().state(), QProcess::Running);
    QVERIFY(receiver.WaitListening());
    QVERIFY(settings.open(QIODevice::ReadOnly));
    QCOMPARE(settings.readAll(), settingsBefore);
}

void ReceiverProgramTest::stopSignalEndsTheWindowCleanly_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
}

void ReceiverProgramTest::stopSignalEndsTheWindowCleanly()
{
    QFETCH(int, signalNumber);
    ReceiverProcess receiver(QStringLiteral(LARKSPUR_EXE));
    QVERIFY2(receiver.Start(), receiver.ErrorOutput().constData());
    QCOMPARE(::kill(pid_t(receiver.Process().processId()), signalNumber), 0);
    QVERIFY(receiver.Process().waitForFinished(60000));
    QCOMPARE(receiver.Process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(receiver.Process().exitCode(), 0);
    const QString errors = QString::fromUtf8(receiver.ErrorOutput());
    QVERIFY2(QRegularExpression(QStringLiteral("(^|\\n)\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d 停止\\n")).match(errors).hasMatch(),
             qPrintable(errors));
}

QTEST_GUILESS_MAIN(ReceiverProgramTest)
#include "tst_receiver_program.moc"
