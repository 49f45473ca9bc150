#include "FakeDialogs.h"
#include "FrmView.h"
#include "RecordingDefaultApplication.h"
#include "ReceiverProcess.h"
#include "TestClient.h"

#include <QAbstractItemModel>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTableView>
#include <QTemporaryFile>
#include <QTest>

#include <memory>

class ViewerWithReceiverTest : public QObject {
    Q_OBJECT
private slots:
    void viewerListsADeliveredMessageAndShowsIt();
    void builtViewerWithoutSettingsEndsWithItsMessage();
    void unfinishedMessagesLeaveNothingAndAreNeverListed();
};

namespace {

// A client greeted and in data mode, sender domain d.example.
std::unique_ptr<TestClient> InData(quint16 port)
{
    auto client = std::make_unique<TestClient>(port);
    if (client->NextReply().startsWith("220") && client->Exchange("MAIL FROM:<a@d.example>\r\n") == "250 OK\r\n" &&
        client->Exchange("DATA\r\n").startsWith("354")) {
        return client;
    }
    return nullptr;
}

QStringList Entries(const QString& folder)
{
    QStringList entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        entries.append(it.next().mid(folder.size() + 1));
    }
    entries.sort();
    return entries;
}

} // namespace

void ViewerWithReceiverTest::viewerListsADeliveredMessageAndShowsIt()
{
    ReceiverProcess receiver(QStringLiteral(LARKSPUR_EXE));
    QVERIFY(QFile::copy(QStringLiteral(LARKGLASS_EXE), receiver.Folder() + QStringLiteral("/Larkglass")));
    QVERIFY(receiver.Start());

    QProcess builtViewer;
    builtViewer.setProcessEnvironment(receiver.Process().processEnvironment());
    builtViewer.start(receiver.Folder() + QStringLiteral("/Larkglass"), {});
    QVERIFY(builtViewer.waitForStarted(20000));

    FakeDialogs dialogs;
    RecordingDefaultApplication desktop;
    FrmView view(dialogs, desktop, receiver.Folder());
    QVERIFY(view.Load());
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    auto* grid = view.findChild<QTableView*>(QStringLiteral("FGList"));
    QCOMPARE(grid->model()->rowCount(), 0);
    view.findChild<QLineEdit*>(QStringLiteral("TxtInterval"))->setText(QStringLiteral("1"));

    const QByteArray message = "Subject: \xe6\x97\xa5\xe6\x9c\xac\r\n\r\nHello viewer.\r\n";
    QTemporaryFile file;
    QVERIFY(file.open());
    file.write(message);
    file.flush();
    QProcess client;
    client.start(QStringLiteral("python3"), {QStringLiteral(E2E_CLIENTS_DIR "/smtplib_send.py"),
                                              QStringLiteral("127.0.0.1"), QString::number(receiver.Port()),
                                              QStringLiteral("me@View.Example"), QStringLiteral("you@x"),
                                              file.fileName()});
    QVERIFY(client.waitForFinished(60000));
    QCOMPARE(client.exitCode(), 0);

    QTRY_COMPARE_WITH_TIMEOUT(grid->model()->rowCount(), 1, 20000);
    QCOMPARE(grid->model()->index(0, 1).data().toString(), QStringLiteral("View.Example"));
    const QStringList stored =
        QDir(receiver.StorageFolder() + QStringLiteral("/View.Example")).entryList(QDir::Files);
    QCOMPARE(stored.size(), 1);
    const QString name = stored[0];
    QCOMPARE(grid->model()->index(0, 0).data().toString(),
             name.mid(0, 4) + u'/' + name.mid(4, 2) + u'/' + name.mid(6, 2) + QStringLiteral("/ ") + name.mid(9, 2) +
                 u':' + name.mid(11, 2) + u':' + name.mid(13, 2));

    const QRect cell = grid->visualRect(grid->model()->index(0, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(view.findChild<QPlainTextEdit*>(QStringLiteral("TxtMail"))->toPlainText(),
             QStringLiteral("差出人: \n宛先: \n日付: \n件名: 日本\n\nHello viewer.\n"));
    QVERIFY(dialogs.messages.isEmpty());

    QCOMPARE(builtViewer.state(), QProcess::Running);
    builtViewer.kill();
    builtViewer.waitForFinished(20000);
}

void ViewerWithReceiverTest::builtViewerWithoutSettingsEndsWithItsMessage()
{
    QTemporaryDir folder;
    QVERIFY(QFile::copy(QStringLiteral(LARKGLASS_EXE), folder.path() + QStringLiteral("/Larkglass")));
    QProcess viewer;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    viewer.setProcessEnvironment(environment);
    viewer.start(folder.path() + QStringLiteral("/Larkglass"), {});
    QVERIFY(viewer.waitForFinished(60000));
    QCOMPARE(viewer.exitStatus(), QProcess::NormalExit);
    QVERIFY(QString::fromUtf8(viewer.readAllStandardError())
                .contains(QStringLiteral("Larkglass: Larkspur の設定ファイル（%1/Larkspur.ini）がまだありません。")
                              .arg(folder.path())));
}

void ViewerWithReceiverTest::unfinishedMessagesLeaveNothingAndAreNeverListed()
{
    ReceiverProcess receiver(QStringLiteral(LARKSPUR_EXE));
    const QString spool = receiver.StorageFolder() + QStringLiteral("/.Larkspur.spool");
    QVERIFY(QDir().mkpath(spool));
    QFile leftover(spool + QStringLiteral("/1-1.tmp"));
    QVERIFY(leftover.open(QIODevice::WriteOnly) && leftover.write("from a run that crashed\r\n") > 0);
    leftover.close();
    QVERIFY(receiver.Start());
    QCOMPARE(QDir(spool).entryList(QDir::Files), (QStringList{"journal", "lock"}));

    // Past the size kept in memory, so it waits in the spool.
    auto dropped = InData(receiver.Port());
    QVERIFY(dropped);
    dropped->Send(QByteArray(62, 'x').append("\r\n").repeated(40000));
    QTRY_COMPARE_WITH_TIMEOUT(QDir(spool).entryList(QDir::Files).size(), 3, 20000);

    auto tooLarge = InData(receiver.Port());
    QVERIFY(tooLarge);
    tooLarge->Send(QByteArray(104857596, 'y') + "\r\n.\r\n");
    QCOMPARE(tooLarge->NextReply(), QByteArray("552 Requested mail action aborted: exceeded storage allocation\r\n"));

    auto stored = InData(receiver.Port());
    QVERIFY(stored);
    QCOMPARE(stored->Exchange("whole\r\n.\r\n"), QByteArray("250 OK\r\n"));

    FakeDialogs dialogs;
    RecordingDefaultApplication desktop;
    FrmView view(dialogs, desktop, receiver.Folder());
    QVERIFY(view.Load());
    QCOMPARE(view.findChild<QTableView*>(QStringLiteral("FGList"))->model()->rowCount(), 1);

    dropped.reset();
    QTRY_COMPARE_WITH_TIMEOUT(QDir(spool).entryList(QDir::Files), (QStringList{"journal", "lock"}), 20000);
    const QStringList entries = Entries(receiver.StorageFolder());
    QCOMPARE(entries.size(), 6);
    QCOMPARE(entries.mid(0, 5), (QStringList{".Larkspur.spool", ".Larkspur.spool/journal", ".Larkspur.spool/lock",
                                             "Larkspur.log", "d.example"}));
    QCOMPARE(receiver.ReadStored(entries[5]), QByteArray("whole\r\n.\r\n"));
}

QTEST_MAIN(ViewerWithReceiverTest)
#include "tst_viewer_with_receiver.moc"
