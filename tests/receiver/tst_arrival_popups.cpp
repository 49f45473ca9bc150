#include "ArrivalPopups.h"
#include "RecordingWavePlayer.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

class ArrivalPopupsTest : public QObject {
    Q_OBJECT
private slots:
    void longMessageShowsItsStartAndItsSize();
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
    QTRY_COMPARE_WITH_TIMEOUT(popups_.List().Open().size(), 1, 20000);

    const QString text = popups_.List().Open().at(0)->TxtMsg()->toPlainText();
    QVERIFY(text.startsWith(QString(62, QLatin1Char('x')).append(QLatin1Char('\n')).repeated(16384)));
    QVERIFY(!text.contains(QStringLiteral("TAIL")));
    QVERIFY(text.endsWith(QStringLiteral(
        "\n［以下省略］このメッセージは全体で 1048585 バイトあります。先頭の 1048576 バイトだけを表示しています。")));
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
