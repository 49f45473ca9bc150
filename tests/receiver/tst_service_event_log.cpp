#include "FakeControls.h"
#include "FakeDialogs.h"
#include "ManualClock.h"
#include "ReceiverService.h"
#include "ServiceEventLog.h"

#include <QTest>

#include <cstdio>

class ServiceEventLogTest : public QObject {
    Q_OBJECT
private slots:
    void oneLinePerEventStampedWithItsTime();
};

void ServiceEventLogTest::oneLinePerEventStampedWithItsTime()
{
    FakeControls controls;
    FakeDialogs dialogs;
    ManualClock clock(QDateTime(QDate(2003, 3, 25), QTime(14, 5, 9)));
    ReceiverService service({controls, dialogs, clock, QStringLiteral("Larkspur")});
    std::FILE* stream = std::tmpfile();
    QVERIFY(stream);
    ServiceEventLog log(service, clock, stream);

    emit service.Listening(2525, QStringLiteral("/srv/mail"));
    emit service.MessageStored(QDateTime(QDate(2003, 3, 25), QTime(14, 5, 8)), QStringLiteral("b.example"),
                               QStringLiteral("/srv/mail/b.example/20030325_140508.log"));
    emit service.StoreFailed(
        {QStringLiteral("メールを保存できません"), QStringLiteral("/srv/mail/b.example/20030325_140509.log")});
    emit service.AcceptFailed(QStringLiteral("Out of resources"));
    emit service.AcceptRecovered();
    emit service.ListenerFailed(10054, QStringLiteral("reset"));
    emit service.Stopped();

    QByteArray written(4096, '\0');
    std::rewind(stream);
    written.resize(qsizetype(std::fread(written.data(), 1, written.size(), stream)));
    std::fclose(stream);
    QCOMPARE(QString::fromUtf8(written),
             QStringLiteral("2003-03-25 14:05:09 待ち受け開始 ポート 2525 保管フォルダー /srv/mail\n"
                            "2003-03-25 14:05:08 保存 b.example /srv/mail/b.example/20030325_140508.log\n"
                            "2003-03-25 14:05:09 保存失敗 メールを保存できません: /srv/mail/b.example/20030325_140509.log\n"
                            "2003-03-25 14:05:09 接続受付エラー Out of resources\n"
                            "2003-03-25 14:05:09 接続受付再開\n"
                            "2003-03-25 14:05:09 待ち受けエラー 10054:reset\n"
                            "2003-03-25 14:05:09 停止\n"));
}

QTEST_GUILESS_MAIN(ServiceEventLogTest)
#include "tst_service_event_log.moc"
