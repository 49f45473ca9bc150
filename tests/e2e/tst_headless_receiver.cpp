#include "ReceiverProcess.h"
#include "TestClient.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

const QByteArray Greeting = "220 Larkspur Ver1.1 Ready\r\n";
const QString Stamp = QStringLiteral("\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2} ");

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool HasLine(const QByteArray& output, const QString& pattern)
{
    return QRegularExpression(QStringLiteral("(^|\\n)") + pattern + QStringLiteral("\\n"))
        .match(QString::fromUtf8(output))
        .hasMatch();
}

} // namespace

class HeadlessReceiverTest : public QObject {
    Q_OBJECT
private slots:
    void firstRunWritesSettingsAndCreatesTheFolder();
    void servesAndStopsCleanlyOnASignal_data();
    void servesAndStopsCleanlyOnASignal();
    void startFailureEndsWithStatusTwo_data();
    void startFailureEndsWithStatusTwo();
    void acceptsAgainOnceDescriptorsAreBack();
    void secondReceiverOnTheSameFolderIsRefused();
};

void HeadlessReceiverTest::firstRunWritesSettingsAndCreatesTheFolder()
{
    ReceiverProcess receiver(QStringLiteral(LARKSPUR_EXE));
    QVERIFY(QFile::remove(receiver.Folder() + QStringLiteral("/Larkspur.ini")));
    const QString home = receiver.Folder() + QStringLiteral("/home");
    QProcessEnvironment environment = receiver.Process().processEnvironment();
    environment.insert(QStringLiteral("HOME"), home);
    receiver.Process().setProcessEnvironment(environment);
    // Port 2525 is held here (or by someone else), so the run ends at the
    // start check and the test never depends on the port being free.
    QTcpServer holder;
    holder.listen(QHostAddress::Any, 2525);

    QByteArray errors;
    int status = -1;
    QVERIFY(receiver.RunToEnd(&errors, &status, {QStringLiteral("--headless")}));
    QCOMPARE(status, 2);
    const QString mail = home + QStringLiteral("/LarkspurMail");
    QCOMPARE(ReadFile(receiver.Folder() + QStringLiteral("/Larkspur.ini")),
             "[SMTP]\r\nPORT=2525\r\nFOLDER=" + mail.toUtf8() + "\r\nWAVFILE=\r\nDIALOG=0\r\nSOUND=0\r\n");
    QVERIFY(QFileInfo(mail).isDir());
    struct stat folder {};
    QVERIFY(::stat(QFile::encodeName(mail).constData(), &folder) == 0);
    QCOMPARE(folder.st_mode & 0777, 0700u);
    QVERIFY2(QString::fromUtf8(errors).contains(QStringLiteral("Larkspur: 設定ファイル %1/Larkspur.ini がなかったので作成"
                                                               "しました: ポート 2525、保管フォルダー %2、ポップアップなし、"
                                                               "サウンドなし\n")
                                                    .arg(receiver.Folder(), mail)),
             errors.constData());
    QVERIFY2(QString::fromUtf8(errors).contains(QStringLiteral("スタート失敗: ポート 2525 で待ち受けできません。(")),
             errors.constData());
}

void HeadlessReceiverTest::servesAndStopsCleanlyOnASignal_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("withoutDisplay");
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("--headless, SIGTERM") << QStringList{QStringLiteral("--headless")} << false << int(SIGTERM);
    QTest::newRow("no display, SIGINT") << QStringList{} << true << int(SIGINT);
}

void HeadlessReceiverTest::servesAndStopsCleanlyOnASignal()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, withoutDisplay);
    QFETCH(int, signalNumber);
    ReceiverProcess receiver(QStringLiteral(LARKSPUR_EXE));
    // Pop-up and sound asked for: without a window there must be neither.
    const QByteArray settings = "[SMTP]\r\nPORT=" + QByteArray::number(receiver.Port()) + "\r\nFOLDER=" +
                                receiver.StorageFolder().toUtf8() + "\r\nWAVFILE=/no.wav\r\nDIALOG=1\r\nSOUND=1\r\n";
    receiver.WriteSettings(settings);
    QProcessEnvironment environment = receiver.Process().processEnvironment();
    if (withoutDisplay) {
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
            environment.remove(QString::fromLatin1(name));
        }
    }
    receiver.Process().setProcessEnvironment(environment);
    QVERIFY2(receiver.Start(arguments), receiver.ErrorOutput().constData());
    QVERIFY(receiver.WaitForError(QStringLiteral(" 待ち受け開始 ポート %1 保管フォルダー %2\n")
                                      .arg(receiver.Port())
                                      .arg(receiver.StorageFolder())));

    TestClient client(receiver.Port());
    QCOMPARE(client.NextReply(), Greeting);
    QCOMPARE(client.Exchange("MAIL FROM:<a@headless.example>\r\n"), QByteArray("250 OK\r\n"));
    QCOMPARE(client.Exchange("DATA\r\n"), QByteArray("354 send the mail data, end with .\r\n"));
    QCOMPARE(client.Exchange("hello\r\n.\r\n"), QByteArray("250 OK\r\n"));
    const QStringList stored = QDir(receiver.StorageFolder() + QStringLiteral("/headless.example")).entryList(QDir::Files);
    QCOMPARE(stored.size(), 1);
    const QString path = receiver.StorageFolder() + QStringLiteral("/headless.example/") + stored[0];
    QCOMPARE(ReadFile(path), QByteArray("hello\r\n.\r\n"));
    QVERIFY(receiver.WaitForError(QStringLiteral(" 保存 headless.example ") + path + u'\n'));
    QVERIFY(HasLine(receiver.ErrorOutput(),
                    Stamp + QStringLiteral("保存 headless\\.example ") + QRegularExpression::escape(path)));

    QProcess second;
    second.setProcessEnvironment(environment);
    second.start(receiver.ProgramPath(), arguments);
    QVERIFY(second.waitForFinished(60000));
    QCOMPARE(second.exitCode(), 1);
    QCOMPARE(QString::fromUtf8(second.readAllStandardError()).section(u'\n', -2, -2),
             QStringLiteral("Larkspur: すでに同じプログラムが動いています。"));

    QCOMPARE(::kill(pid_t(receiver.Process().processId()), signalNumber), 0);
    QVERIFY(receiver.Process().waitForFinished(60000));
    QCOMPARE(receiver.Process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(receiver.Process().exitCode(), 0);
    QVERIFY(HasLine(receiver.ErrorOutput(), Stamp + QStringLiteral("停止")));
    QVERIFY(client.WaitDisconnected());
    QCOMPARE(ReadFile(receiver.Folder() + QStringLiteral("/Larkspur.ini")), settings);
}

void HeadlessReceiverTest::startFailureEndsWithStatusTwo_data()
{
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing folder") << QByteArray("[SMTP]\r\nPORT=2525\r\nFOLDER=@mail/none\r\n")
                                    << QStringLiteral("スタート失敗: ポートNo.もしくはフォルダー指定が不適切です。スタートできません。\n");
    QTest::newRow("port abc") << QByteArray("[SMTP]\r\nPORT=abc\r\nFOLDER=@mail\r\n")
                              << QStringLiteral("スタート失敗: ポートNo.「abc」は 1 から 65535 までの整数ではありません。\n");
    // A folder of the kernel's takes no files, not even from root.
    QTest::newRow("folder that takes no files") << QByteArray("[SMTP]\r\nPORT=2525\r\nFOLDER=/proc/self\r\n")
                                                << QStringLiteral("スタート失敗: 保管フォルダー「/proc/self」に書き込めません。(");
}

void HeadlessReceiverTest::startFailureEndsWithStatusTwo()
{
    QFETCH(QByteArray, settings);
    QFETCH(QString, message);
    ReceiverProcess receiver(QStringLiteral(LARKSPUR_EXE));
    receiver.WriteSettings(settings.replace("@mail", receiver.StorageFolder().toUtf8()));
    QByteArray errors;
    int status = -1;
    QVERIFY(receiver.RunToEnd(&errors, &status, {QStringLiteral("--headless")}));
    QCOMPARE(status, 2);
    QVERIFY2(QString::fromUtf8(errors).contains(message), errors.constData());
}

void HeadlessReceiverTest::acceptsAgainOnceDescriptorsAreBack()
{
    ReceiverProcess receiver(QStringLiteral(LARKSPUR_EXE));
    QVERIFY(receiver.Start({QStringLiteral("--headless")}));
    const pid_t pid = pid_t(receiver.Process().processId());
    // A listener that has already taken a connection, as on any working day.
    TestClient earlier(receiver.Port());
    QCOMPARE(earlier.NextReply(), Greeting);
    // Only the three standard descriptors fit under this limit, so every
    // accept fails as it would with the descriptors all taken.
    rlimit saved{};
    QCOMPARE(::prlimit(pid, RLIMIT_NOFILE, nullptr, &saved), 0);
    rlimit starved = saved;
    starved.rlim_cur = 3;
    QCOMPARE(::prlimit(pid, RLIMIT_NOFILE, &starved, nullptr), 0);

    TestClient first(receiver.Port());
    TestClient second(receiver.Port());
    QVERIFY(receiver.WaitForError(QStringLiteral(" 接続受付エラー ")));
    QCOMPARE(receiver.Process().state(), QProcess::Running);
    QCOMPARE(::prlimit(pid, RLIMIT_NOFILE, &saved, nullptr), 0);

    QCOMPARE(first.NextReply(), Greeting);
    QCOMPARE(second.NextReply(), Greeting);
    QVERIFY(receiver.WaitForError(QStringLiteral(" 接続受付再開\n")));
    QVERIFY2(QString::fromUtf8(receiver.ErrorOutput()).count(QStringLiteral(" 接続受付エラー ")) == 1, receiver.ErrorOutput().constData());
    TestClient third(receiver.Port());
    QCOMPARE(third.NextReply(), Greeting);
}

void HeadlessReceiverTest::secondReceiverOnTheSameFolderIsRefused()
{
    ReceiverProcess first(QStringLiteral(LARKSPUR_EXE));
    QVERIFY(first.Start({QStringLiteral("--headless")}));
    // A message in flight, past the part kept in memory, so it waits in the spool.
    TestClient client(first.Port());
    QCOMPARE(client.NextReply(), Greeting);
    client.Exchange("MAIL FROM:<a@b.example>\r\n");
    client.Exchange("DATA\r\n");
    const QByteArray body = QByteArray(62, 'x').append("\r\n").repeated(40000);
    client.Send(body);
    const QDir spool(first.StorageFolder() + QStringLiteral("/.Larkspur.spool"));
    QTRY_COMPARE_WITH_TIMEOUT(spool.entryList(QDir::Files).size(), 3, 20000);

    // Another copy of the program, so only the storage folder is shared.
    ReceiverProcess second(QStringLiteral(LARKSPUR_EXE));
    second.WriteSettings("[SMTP]\r\nPORT=" + QByteArray::number(second.Port()) + "\r\nFOLDER=" +
                         first.StorageFolder().toUtf8() + "\r\n");
    QByteArray errors;
    int status = -1;
    QVERIFY(second.RunToEnd(&errors, &status, {QStringLiteral("--headless")}));
    QCOMPARE(status, 1);
    QCOMPARE(QString::fromUtf8(errors).section(u'\n', -2, -2),
             QStringLiteral("Larkspur: 保管フォルダー「%1」はほかの Larkspur が使っています。"
                            "一つの保管フォルダーには一つの Larkspur しか動かせません。")
                 .arg(first.StorageFolder()));

    QCOMPARE(client.Exchange(".\r\n"), QByteArray("250 OK\r\n"));
    const QStringList stored = QDir(first.StorageFolder() + QStringLiteral("/b.example")).entryList(QDir::Files);
    QCOMPARE(stored.size(), 1);
    QCOMPARE(first.ReadStored(QStringLiteral("b.example/") + stored[0]), body + ".\r\n");
}

QTEST_GUILESS_MAIN(HeadlessReceiverTest)
#include "tst_headless_receiver.moc"
