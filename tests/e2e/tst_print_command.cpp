#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// Larkglass --print and --help, run as a process from a folder without a
// settings file and without a display.
class PrintCommandTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void exitStatusesAndOutput_data();
    void exitStatusesAndOutput();
    void helpListsPrint();

private:
    void Run(QProcess& process, const QStringList& arguments);

    QTemporaryDir dir_;
    QString program_;
};

void PrintCommandTest::initTestCase()
{
    QVERIFY(dir_.isValid());
    program_ = dir_.filePath(QStringLiteral("Larkglass"));
    QVERIFY(QFile::copy(QStringLiteral(LARKGLASS_EXE), program_));
    const std::pair<const char*, QByteArray> files[] = {
        {"20030325_140509.log", "Subject: =?ISO-2022-JP?B?GyRCMnE1RCRON28bKEI=?=\r\n\r\n\x1b$B;3ED$G$9!#\x1b(B\r\n.\r\n"},
        {"html.log", "Content-Type: text/html\r\n\r\n<p>Hi &amp; bye</p><pre>  code\r\n  block</pre>\r\n.\r\n"},
    };
    for (const auto& [name, bytes] : files) {
        QFile message(dir_.filePath(QLatin1String(name)));
        QVERIFY(message.open(QIODevice::WriteOnly));
        message.write(bytes);
    }
}

void PrintCommandTest::exitStatusesAndOutput_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QByteArray>("err");
    QTest::newRow("a message file") << QStringList{"--print", "20030325_140509.log"} << 0
                                    << QByteArray("差出人: \n宛先: \n日付: \n件名: 会議の件\n\n山田です。\n") << QByteArray();
    QTest::newRow("HTML with preformatted text, without a display")
        << QStringList{"--print", "html.log"} << 0
        << QByteArray("Hi & bye\n  code\n  block\n") << QByteArray();
    QTest::newRow("a missing file") << QStringList{"--print", "nothing.log"} << 1 << QByteArray()
                                    << QByteArray("Larkglass: メッセージファイルを読めません: nothing.log\n");
    QTest::newRow("a folder") << QStringList{"--print", "."} << 1 << QByteArray()
                              << QByteArray("Larkglass: メッセージファイルを読めません: .\n");
    QTest::newRow("no file named") << QStringList{"--print"} << 2 << QByteArray()
                                   << QByteArray("Missing value after '--print'.\n");
}

void PrintCommandTest::exitStatusesAndOutput()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QByteArray, out);
    QFETCH(QByteArray, err);
    QProcess process;
    Run(process, arguments);
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.readAllStandardError(), err);
    QCOMPARE(process.readAllStandardOutput(), out);
    QCOMPARE(process.exitCode(), status);
}

void PrintCommandTest::helpListsPrint()
{
    QProcess process;
    Run(process, {QStringLiteral("--help")});
    QCOMPARE(process.exitCode(), 0);
    QVERIFY(process.readAllStandardOutput().contains(
        "  --print <FILE>  メッセージファイル <FILE> を読める形にして標準出力へ UTF-8 "
        "で書きます（ウィンドウは開きません）。\n"));
}

void PrintCommandTest::Run(QProcess& process, const QStringList& arguments)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        environment.remove(QLatin1String(name));
    }
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(dir_.path());
    process.start(program_, arguments);
    QVERIFY(process.waitForFinished(60000));
}

QTEST_GUILESS_MAIN(PrintCommandTest)
#include "tst_print_command.moc"
