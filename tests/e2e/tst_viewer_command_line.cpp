#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// Larkglass --print, --save-attachments and --help, run as a process from a
// folder without a settings file and without a display.
class ViewerCommandLineTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void exitStatusesAndOutput_data();
    void exitStatusesAndOutput();
    void helpListsTheOptions();

private:
    void Run(QProcess& process, const QStringList& arguments);

    QTemporaryDir dir_;
    QString program_;
};

void ViewerCommandLineTest::initTestCase()
{
    QVERIFY(dir_.isValid());
    program_ = dir_.filePath(QStringLiteral("Larkglass"));
    QVERIFY(QFile::copy(QStringLiteral(LARKGLASS_EXE), program_));
    QFile message(dir_.filePath(QStringLiteral("20030325_140509.log")));
    QVERIFY(message.open(QIODevice::WriteOnly));
    message.write("Subject: =?ISO-2022-JP?B?GyRCMnE1RCRON28bKEI=?=\r\n\r\n\x1b$B;3ED$G$9!#\x1b(B\r\n.\r\n");
    QFile attachments(dir_.filePath(QStringLiteral("20030325_140510.log")));
    QVERIFY(attachments.open(QIODevice::WriteOnly));
    // Two messages; the second carries a hostile name and a part without one.
    attachments.write("Content-Type: application/pdf; name=a.pdf\r\nContent-Transfer-Encoding: base64\r\n\r\n"
                      "JVBERg==\r\n.\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n"
                      "Content-Type: text/plain; name=\"../a.pdf\"\r\nContent-Disposition: attachment\r\n\r\n"
                      "x\r\n--b\r\nContent-Type: application/octet-stream\r\n\r\ny\r\n--b--\r\n.\r\n");
    QFile html(dir_.filePath(QStringLiteral("html.log")));
    QVERIFY(html.open(QIODevice::WriteOnly));
    html.write("Content-Type: text/html\r\n\r\n<p>Hi &amp; bye</p><pre>  code\r\n  block</pre>\r\n.\r\n");
    QVERIFY(QDir(dir_.path()).mkdir(QStringLiteral("out")));
}

void ViewerCommandLineTest::exitStatusesAndOutput_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QByteArray>("err");
    QTest::newRow("a message file") << QStringList{"--print", "20030325_140509.log"} << 0
                                    << QByteArray("差出人: \n宛先: \n日付: \n件名: 会議の件\n\n山田です。\n") << QByteArray();
    QTest::newRow("HTML with preformatted text, without a display")
        << QStringList{"--print", "html.log"} << 0 << QByteArray("Hi & bye\n  code\n  block\n") << QByteArray();
    QTest::newRow("a missing file") << QStringList{"--print", "nothing.log"} << 1 << QByteArray()
                                    << QByteArray("Larkglass: メッセージファイルを読めません: nothing.log\n");
    QTest::newRow("a folder") << QStringList{"--print", "."} << 1 << QByteArray()
                              << QByteArray("Larkglass: メッセージファイルを読めません: .\n");
    QTest::newRow("no file named") << QStringList{"--print"} << 2 << QByteArray()
                                   << QByteArray("Missing value after '--print'.\n");
    QTest::newRow("attachments saved, one line each")
        << QStringList{"--save-attachments", "20030325_140510.log", "out"} << 0
        << QByteArray("out/a.pdf\nout/___a.pdf\nout/名前なし\n") << QByteArray();
    QTest::newRow("a name already taken in the folder gets a number")
        << QStringList{"--save-attachments", "20030325_140510.log", "out"} << 0
        << QByteArray("out/a (2).pdf\nout/___a (2).pdf\nout/名前なし (2)\n") << QByteArray();
    QTest::newRow("a missing message file") << QStringList{"--save-attachments", "nothing.log", "out"} << 1
                                            << QByteArray()
                                            << QByteArray("Larkglass: メッセージファイルを読めません: nothing.log\n");
    QTest::newRow("a missing folder") << QStringList{"--save-attachments", "20030325_140510.log", "nowhere"} << 1
                                      << QByteArray()
                                      << QByteArray("Larkglass: フォルダーに書き込めません: nowhere\n");
    QTest::newRow("a file given as the folder")
        << QStringList{"--save-attachments", "20030325_140510.log", "20030325_140509.log"} << 1 << QByteArray()
        << QByteArray("Larkglass: フォルダーに書き込めません: 20030325_140509.log\n");
    QTest::newRow("no folder named") << QStringList{"--save-attachments", "20030325_140510.log"} << 2
                                     << QByteArray()
                                     << QByteArray("Larkglass: --save-attachments のあとに FILE と DIR "
                                                   "を指定してください。\n");
}

void ViewerCommandLineTest::exitStatusesAndOutput()
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

void ViewerCommandLineTest::helpListsTheOptions()
{
    QProcess process;
    Run(process, {QStringLiteral("--help")});
    QCOMPARE(process.exitCode(), 0);
    const QByteArray help = process.readAllStandardOutput();
    QVERIFY(help.contains("  --print <FILE>                   メッセージファイル <FILE> を読める形にして標準出力へ UTF-8\n"
                          "                                   で書きます（ウィンドウは開きません）。\n"));
    QVERIFY(help.contains("  --save-attachments <FILE> <DIR>  メッセージファイル <FILE> "
                          "のすべての添付ファイルをフォルダー <DIR>\n"));
}

void ViewerCommandLineTest::Run(QProcess& process, const QStringList& arguments)
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

QTEST_GUILESS_MAIN(ViewerCommandLineTest)
#include "tst_viewer_command_line.moc"
