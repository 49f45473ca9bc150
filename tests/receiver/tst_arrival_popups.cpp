#include "ArrivalPopups.h"
#include "FakeControls.h"
#include "FakeDialogs.h"
#include "FileSystem.h"
#include "MailStore.h"
#include "ManualClock.h"
#include "RecordingWavePlayer.h"
#include "SessionEngine.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <functional>

namespace {

// Work time that moves on by `tickNs` at every reading; the pop-up reads it
// once after each step of rendering, so each step counts one tick.
struct SteppingClock : WorkClock {
    qint64 NowNs() override
    {
        if (onRead) {
            onRead();
        }
        return nowNs += tickNs;
    }
    qint64 nowNs = 0;
    qint64 tickNs = 1'000'000;
    std::function<void()> onRead;
};

QString ShownText(ArrivalPopups& popups)
{
    return popups.List().Open().value(0) ? popups.List().Open().at(0)->TxtMsg()->toPlainText() : QString();
}

} // namespace

class ArrivalPopupsTest : public QObject {
    Q_OBJECT
private slots:
    void longMessageShowsItsStartAndItsSize();
    void renderingStopsAtItsBudgetAndLetsTheLoopRun_data();
    void renderingStopsAtItsBudgetAndLetsTheLoopRun();
    void replyIsSentBeforeRenderingStarts();
    void shortMessageShownWhole();
    void veryLongLineIsBrokenForTheTextBox();
    void fiftyFirstArrivalClosesTheOldest();
    void floodKeepsOnlyTheNewestQueued();
    void cleanup() { popups_.CloseAll(); }

private:
    RecordingWavePlayer player_;
    ArrivalPopups popups_{player_};
};

void ArrivalPopupsTest::longMessageShowsItsStartAndItsSize()
{
    // 1 MiB of lines, then a tail that must not be shown.
    const QByteArray line = QByteArray(62, 'x') + "\r\n";
    const QByteArray message = line.repeated(16384) + "TAIL\r\n.\r\n";
    popups_.ShowPopup(QStringLiteral("big.example"), message);
    const QString sizeLine = QStringLiteral(
        "［以下省略］このメッセージは全体で 1048585 バイトあります。先頭の 1048576 バイトだけを表示しています。");
    QTRY_VERIFY_WITH_TIMEOUT(ShownText(popups_).endsWith(sizeLine), 20000);
    QCOMPARE(ShownText(popups_),
             QString(62, QLatin1Char('x')).append(QLatin1Char('\n')).repeated(10000) +
                 QStringLiteral("［以下省略］行が多いため、残りの 6384 行は表示していません（表示は 10000 行まで）。\n") +
                 sizeLine);
}

void ArrivalPopupsTest::renderingStopsAtItsBudgetAndLetsTheLoopRun_data()
{
    QTest::addColumn<int>("msPerStep");
    QTest::addColumn<bool>("cut");
    // Eight parts take the renderer sixteen steps; the budget is 100 ms.
    QTest::newRow("steps of 1 ms: shown whole") << 1 << false;
    QTest::newRow("steps of 10 ms: cut after the tenth") << 10 << true;
}

void ArrivalPopupsTest::renderingStopsAtItsBudgetAndLetsTheLoopRun()
{
    QFETCH(int, msPerStep);
    QFETCH(bool, cut);
    SteppingClock clock;
    clock.tickNs = msPerStep * 1'000'000LL;
    // The event loop's turns, and how often the clock was read in each.
    int turns = 0;
    QTimer heartbeat;
    QObject::connect(&heartbeat, &QTimer::timeout, [&] { ++turns; });
    heartbeat.start(0);
    QMap<int, int> readingsInTurn;
    clock.onRead = [&] { ++readingsInTurn[turns]; };
    ArrivalPopups popups(player_, clock);

    QByteArray message = "Subject: parts\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n";
    for (int part = 1; part <= 8; ++part) {
        message += "--b\r\n\r\npart " + QByteArray::number(part) + "\r\n";
    }
    popups.ShowPopup(QStringLiteral("parts.example"), message + "--b--\r\n.\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(popups.List().Open().size(), 1, 20000);

    const QString text = ShownText(popups);
    popups.CloseAll();
    QVERIFY2(*std::max_element(readingsInTurn.cbegin(), readingsInTurn.cend()) < 10,
             "a turn of the event loop did the work of ten steps");
    QVERIFY(text.startsWith(QStringLiteral("差出人: \n宛先: \n日付: \n件名: parts\n\npart 1\n\npart 2\n")));
    if (cut) {
        QVERIFY(!text.contains(QStringLiteral("part 8")));
        QVERIFY(text.endsWith(
            QStringLiteral("\n［以下省略］このメッセージは読める形にするのに手間がかかるため、ここまでを表示しています。\n")));
    } else {
        QVERIFY(text.endsWith(QStringLiteral("\n\npart 7\n\npart 8\n")));
    }
}

void ArrivalPopupsTest::replyIsSentBeforeRenderingStarts()
{
    QTemporaryDir folder;
    FakeControls controls;
    controls.folder = folder.path();
    controls.dialog = 1;
    FileSystem files;
    ManualClock time;
    FakeDialogs dialogs;
    MailStore store(controls, files, time, QStringLiteral("Larkspur"));
    QString error;
    QCOMPARE(store.LockFolder(&error), StorageLock::Outcome::Taken);
    SteppingClock clock;
    ArrivalPopups popups(player_, clock);
    store.SetNotifier(&popups);
    SessionEngine engine(controls, store, dialogs);
    QVERIFY(engine.ListenOn(0).ok);

    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, quint16(engine.WsckListen().LocalPort()));
    QVERIFY(client.waitForConnected(20000));
    client.write("MAIL FROM:<a@b.example>\r\nRCPT TO:<c@d>\r\nDATA\r\nSubject: x\r\n\r\nbody\r\n.\r\n");
    const QByteArray replies = "220 Larkspur Ver1.1 Ready\r\n250 OK\r\n250 OK\r\n"
                               "354 send the mail data, end with .\r\n250 OK\r\n";
    QByteArray received;
    bool waited = false;
    clock.onRead = [&] {
        // The receiver's thread waits here, so only a reply already sent can come.
        while (!waited && received.size() < replies.size() &&
               (client.bytesAvailable() || client.waitForReadyRead(20000))) {
            received += client.readAll();
        }
        waited = true;
    };
    QTRY_COMPARE_WITH_TIMEOUT(popups.List().Open().size(), 1, 20000);
    popups.CloseAll();
    QCOMPARE(received, replies);
}

void ArrivalPopupsTest::shortMessageShownWhole()
{
    popups_.ShowPopup(QStringLiteral("small.example"), "Subject: hi\r\n\r\nbody\r\n.\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(popups_.List().Open().size(), 1, 20000);
    QCOMPARE(popups_.List().Open().at(0)->TxtMsg()->toPlainText(),
             QStringLiteral("差出人: \n宛先: \n日付: \n件名: hi\n\nbody\n"));
}

void ArrivalPopupsTest::veryLongLineIsBrokenForTheTextBox()
{
    popups_.ShowPopup(QStringLiteral("line.example"), QByteArray(2500, 'y') + "\r\n.\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(popups_.List().Open().size(), 1, 20000);
    const QString thousand(1000, QLatin1Char('y'));
    QCOMPARE(popups_.List().Open().at(0)->TxtMsg()->toPlainText(),
             thousand + u'\n' + thousand + u'\n' + QString(500, QLatin1Char('y')) + u'\n');
}

void ArrivalPopupsTest::fiftyFirstArrivalClosesTheOldest()
{
    for (int n = 1; n <= 50; ++n) {
        popups_.ShowPopup(QStringLiteral("d%1").arg(n), "m\r\n.\r\n");
    }
    QTRY_COMPARE_WITH_TIMEOUT(popups_.List().Open().size(), 50, 60000);
    QCOMPARE(popups_.List().Open().first()->windowTitle(), QStringLiteral("d1"));

    popups_.ShowPopup(QStringLiteral("d51"), "m\r\n.\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(popups_.List().Open().last()->windowTitle(), QStringLiteral("d51"), 20000);
    QList<FrmMsg*> open = popups_.List().Open();
    QCOMPARE(open.size(), 50);
    QCOMPARE(open.first()->windowTitle(), QStringLiteral("d2"));
    QCOMPARE(open.last()->windowTitle(), QStringLiteral("d51"));

    // One closed by its button leaves room: the next arrival closes nothing.
    open.at(10)->CmdEnd()->click();
    popups_.ShowPopup(QStringLiteral("d52"), "m\r\n.\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(popups_.List().Open().last()->windowTitle(), QStringLiteral("d52"), 20000);
    open = popups_.List().Open();
    QCOMPARE(open.size(), 50);
    QCOMPARE(open.first()->windowTitle(), QStringLiteral("d2"));
    QCOMPARE(open.last()->windowTitle(), QStringLiteral("d52"));
}

void ArrivalPopupsTest::floodKeepsOnlyTheNewestQueued()
{
    // Arrivals faster than pop-ups open: of 120 queued at once only the
    // newest 50 ever open, in order.
    for (int n = 1; n <= 120; ++n) {
        popups_.ShowPopup(QStringLiteral("f%1").arg(n), "m\r\n.\r\n");
    }
    QTRY_COMPARE_WITH_TIMEOUT(popups_.List().Open().size(), 50, 60000);
    const QList<FrmMsg*> open = popups_.List().Open();
    QCOMPARE(open.first()->windowTitle(), QStringLiteral("f71"));
    QCOMPARE(open.last()->windowTitle(), QStringLiteral("f120"));
}

QTEST_MAIN(ArrivalPopupsTest)
#include "tst_arrival_popups.moc"
