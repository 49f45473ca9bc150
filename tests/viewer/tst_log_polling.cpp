#include "LogWatch.h"
#include "PollingInterval.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class LogPollingTest : public QObject {
    Q_OBJECT
private slots:
    void interval_data();
    void interval();
    void recordedStampStandsUntilTheLogGrows();
    void sameSizeWithANewTimeIsAChange();
    void missingLogIsWatchedUntilItAppears();
};

namespace {

void Append(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Append));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace

void LogPollingTest::interval_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("milliseconds");

    QTest::newRow("the initial 2 polls every two seconds") << "2" << 2000;
    QTest::newRow("10 polls every ten seconds") << "10" << 10000;
    QTest::newRow("0 stops polling") << "0" << 0;
    QTest::newRow("the empty text while retyping stops polling") << "" << 0;
    QTest::newRow("65 is the longest period") << "65" << 65000;
    QTest::newRow("66 counts as 65") << "66" << 65000;
    QTest::newRow("a number too big for any integer counts as 65") << "99999999999999999999" << 65000;
    QTest::newRow("leading zeros are still a whole number") << "007" << 7000;
    QTest::newRow("a negative number stops polling") << "-1" << 0;
    QTest::newRow("a fraction stops polling") << "1.5" << 0;
    QTest::newRow("a blank around the number stops polling") << " 3" << 0;
    QTest::newRow("full-width digits stop polling") << "３" << 0;
}

void LogPollingTest::interval()
{
    QFETCH(QString, text);
    QFETCH(int, milliseconds);
    QCOMPARE(PollingIntervalMs(text), milliseconds);
}

void LogPollingTest::recordedStampStandsUntilTheLogGrows()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Larkspur.log"));
    Append(path, "line\r\n");
    LogWatch watch(path);
    QVERIFY(watch.Changed());
    watch.Record();
    QVERIFY(!watch.Changed());
    QVERIFY(!watch.Changed());
    Append(path, "line\r\n");
    QVERIFY(watch.Changed());
    watch.Record();
    QVERIFY(!watch.Changed());
}

void LogPollingTest::sameSizeWithANewTimeIsAChange()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Larkspur.log"));
    Append(path, "line\r\n");
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    const QDateTime earlier(QDate(2003, 5, 12), QTime(10, 22, 33));
    QVERIFY(file.setFileTime(earlier, QFileDevice::FileModificationTime));
    LogWatch watch(path);
    watch.Record();
    QVERIFY(file.setFileTime(earlier.addMSecs(1), QFileDevice::FileModificationTime));
    QVERIFY(watch.Changed());
}

void LogPollingTest::missingLogIsWatchedUntilItAppears()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Larkspur.log"));
    LogWatch watch(path);
    QVERIFY(watch.Changed());
    watch.Record();
    QVERIFY(!watch.Changed());
    Append(path, "");
    QVERIFY(watch.Changed());
}

QTEST_GUILESS_MAIN(LogPollingTest)
#include "tst_log_polling.moc"
