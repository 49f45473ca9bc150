#include "FakeDialogs.h"
#include "FrmView.h"
#include "ReceiverProcess.h"

#include <QAbstractItemModel>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTableView>
#include <QTemporaryFile>
#include <QTest>

class ViewerWithReceiverTest : public QObject {
    Q_OBJECT
private slots:
    void viewerListsADeliveredMessageAndShowsIt();
    void builtViewerWithoutSettingsEndsWithItsMessage();
};

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
    FrmView view(dialogs, receiver.Folder());
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
             QStringLiteral("Subject: 日本\n\nHello viewer.\n"));
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
                .contains(QStringLiteral("スタート失敗: Iniファイルが不正です。")));
}

QTEST_MAIN(ViewerWithReceiverTest)
#include "tst_viewer_with_receiver.moc"
