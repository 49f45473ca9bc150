#include "ArrivalListModel.h"
#include "ArrivalLog.h"
#include "RowMap.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class ArrivalLogTest : public QObject {
    Q_OBJECT
private slots:
    void cells_data();
    void cells();
    void lineEnds_data();
    void lineEnds();
    void threeLinesGiveThreeRowsInFileOrder();
    void identicalLinesStaySeparateRows();
    void missingLogGivesNoRows();
    void rowMapKeys_data();
    void rowMapKeys();
    void reloadFollowsTheLog_data();
    void reloadFollowsTheLog();
};

namespace {

// Test paths are written with "/" and turned into the platform's own form.
QString Native(const char* path)
{
    return QDir::toNativeSeparators(QString::fromUtf8(path));
}

void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray LogBytes(const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += line.toUtf8() + "\r\n";
    }
    return bytes;
}

} // namespace

void ArrivalLogTest::cells_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("dateTime");
    QTest::addColumn<QString>("domain");

    QTest::newRow("a receiver's line gives its arrival time and its domain folder")
        << Native("/mail") << Native("/mail/dom1/20030512_102233.log") << "2003/05/12/ 10:22:33" << "dom1";
    QTest::newRow("a folder ending in a separator is followed by a doubled one")
        << Native("/mail/") << Native("/mail//dom1/20030512_102233.log") << "2003/05/12/ 10:22:33" << "dom1";
    QTest::newRow("an empty domain level gives an empty domain")
        << Native("/mail") << Native("/mail//20030512_102233.log") << "2003/05/12/ 10:22:33" << "";
    QTest::newRow("two levels below the storage folder are both the domain")
        << Native("/mail") << Native("/mail/a/b/20030512_102233.log") << "2003/05/12/ 10:22:33"
        << Native("a/b");
    QTest::newRow("only the folder's length counts, not its text")
        << Native("/post") << Native("/mail/dom1/20030512_102233.log") << "2003/05/12/ 10:22:33" << "dom1";
    QTest::newRow("positions count characters, not bytes")
        << Native("/メール") << Native("/メール/ドメイン/20030512_102233.log") << "2003/05/12/ 10:22:33"
        << "ドメイン";
    QTest::newRow("a three-character file name is padded to twenty characters")
        << Native("/mail") << Native("/mail/dom1/abc") << "abc /  /  /   :  :  " << "dom1";
    QTest::newRow("fields are taken as they stand, digits or not")
        << Native("/mail") << Native("/mail/dom1/ABCDEFGHIJKLMNOPQ") << "ABCD/EF/GH/ JK:LM:NO" << "dom1";
    QTest::newRow("a line without a separator is all file name and has no domain")
        << Native("/mail") << "20030512_102233.log" << "2003/05/12/ 10:22:33" << "";
    QTest::newRow("a line too short for a domain gives an empty domain")
        << Native("/mail/store") << Native("/m/20030512_102233.log") << "2003/05/12/ 10:22:33" << "";
    QTest::newRow("a line ending right after the folder's separator has no domain")
        << Native("/mail") << Native("/mail/") << "    /  /  /   :  :  " << "";
    QTest::newRow("an empty line gives blank fields") << Native("/mail") << "" << "    /  /  /   :  :  " << "";
}

void ArrivalLogTest::cells()
{
    QFETCH(QString, folder);
    QFETCH(QString, line);
    QFETCH(QString, dateTime);
    QFETCH(QString, domain);

    const ArrivalLog log = ArrivalLog::FromText(line + QStringLiteral("\r\n"), folder.size());
    QCOMPARE(log.Count(), 1);
    QCOMPARE(log.DateTimeText(0), dateTime);
    QCOMPARE(log.DateTimeText(0).size(), 20);
    QCOMPARE(log.DomainText(0).toString(), domain);
    QCOMPARE(log.Line(0).toString(), line);
}

void ArrivalLogTest::lineEnds_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("an empty log has no lines") << "" << QStringList();
    QTest::newRow("CR LF ends each line") << "a\r\nb\r\n" << QStringList{"a", "b"};
    QTest::newRow("a last line without its line end still counts") << "a\r\nb" << QStringList{"a", "b"};
    QTest::newRow("a bare LF ends a line too") << "a\nb\n" << QStringList{"a", "b"};
    QTest::newRow("an empty line between two is a row") << "a\r\n\r\nb\r\n" << QStringList{"a", "", "b"};
    QTest::newRow("a lone line end is one empty line") << "\r\n" << QStringList{""};
    QTest::newRow("a CR inside a line stays in it") << "a\rb\r\n" << QStringList{"a\rb"};
    QTest::newRow("a CR at the very end without LF stays") << "a\r" << QStringList{"a\r"};
}

void ArrivalLogTest::lineEnds()
{
    QFETCH(QString, text);
    QFETCH(QStringList, lines);

    const ArrivalLog log = ArrivalLog::FromText(text, 0);
    QStringList got;
    for (int i = 0; i < log.Count(); ++i) {
        got.append(log.Line(i).toString());
    }
    QCOMPARE(got, lines);
}

void ArrivalLogTest::threeLinesGiveThreeRowsInFileOrder()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folder = QDir::toNativeSeparators(dir.path());
    const QString sep = QDir::separator();
    const QStringList lines{folder + sep + "b.example" + sep + "20030512_102233.log",
                            folder + sep + "a.example" + sep + "20030101_000000.log",
                            folder + sep + "c.example" + sep + "20021231_235959.log"};
    const QString logPath = folder + sep + "Larkspur.log";
    WriteBytes(logPath, LogBytes(lines));

    const ArrivalLog log = ArrivalLog::Read(logPath, folder.size());
    QCOMPARE(log.Count(), 3);
    QCOMPARE(log.DateTimeText(0), QStringLiteral("2003/05/12/ 10:22:33"));
    QCOMPARE(log.DomainText(0).toString(), QStringLiteral("b.example"));
    QCOMPARE(log.DateTimeText(1), QStringLiteral("2003/01/01/ 00:00:00"));
    QCOMPARE(log.DomainText(1).toString(), QStringLiteral("a.example"));
    QCOMPARE(log.DateTimeText(2), QStringLiteral("2002/12/31/ 23:59:59"));
    QCOMPARE(log.DomainText(2).toString(), QStringLiteral("c.example"));

    RowMap rows;
    rows.Fill(log);
    QCOMPARE(rows.Count(), 3);
    QCOMPARE(rows.Find(QStringLiteral("idx1")), lines[0]);
    QCOMPARE(rows.Find(QStringLiteral("idx2")), lines[1]);
    QCOMPARE(rows.Find(QStringLiteral("idx3")), lines[2]);
    QCOMPARE(rows.Find(3), lines[2]);
    QCOMPARE(rows.Find(QStringLiteral("idx4")), std::nullopt);
}

void ArrivalLogTest::identicalLinesStaySeparateRows()
{
    const QString line = Native("/mail/dom1/20030512_102233.log");
    const ArrivalLog log = ArrivalLog::FromText(line + "\r\n" + line + "\r\n", Native("/mail").size());
    RowMap rows;
    rows.Fill(log);
    QCOMPARE(log.Count(), 2);
    QCOMPARE(rows.Find(1), line);
    QCOMPARE(rows.Find(2), line);
}

void ArrivalLogTest::missingLogGivesNoRows()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QCOMPARE(ArrivalLog::Read(dir.filePath(QStringLiteral("Larkspur.log")), 1).Count(), 0);
    // A folder where the log should be cannot be read as one.
    QCOMPARE(ArrivalLog::Read(dir.path(), 1).Count(), 0);
}

void ArrivalLogTest::rowMapKeys_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("line");

    QTest::newRow("idx1 is the first line") << "idx1" << "first";
    QTest::newRow("idx10 is the tenth line") << "idx10" << "tenth";
    QTest::newRow("idx0 is the heading, which has no entry") << "idx0" << QString();
    QTest::newRow("a leading zero is another key") << "idx01" << QString();
    QTest::newRow("a sign is another key") << "idx+1" << QString();
    QTest::newRow("the prefix is matched in its letter case") << "IDX1" << QString();
    QTest::newRow("a row past the last has no entry") << "idx11" << QString();
    QTest::newRow("a huge number has no entry") << "idx99999999999999999999" << QString();
}

void ArrivalLogTest::rowMapKeys()
{
    QFETCH(QString, key);
    QFETCH(QString, line);

    QStringList lines{"first"};
    for (int i = 2; i < 10; ++i) {
        lines.append(QString::number(i));
    }
    lines.append("tenth");
    RowMap rows;
    rows.Fill(ArrivalLog::FromText(lines.join("\r\n"), 0));
    QCOMPARE(RowMap::Key(10), QStringLiteral("idx10"));
    if (line.isNull()) {
        QCOMPARE(rows.Find(key), std::nullopt);
    } else {
        QCOMPARE(rows.Find(key), line);
    }
}

void ArrivalLogTest::reloadFollowsTheLog_data()
{
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QStringList>("after");

    const QStringList two{Native("/m/a/20030101_000001.log"), Native("/m/b/20030101_000002.log")};
    const QStringList three = two + QStringList{Native("/m/c/20030101_000003.log")};
    QTest::newRow("a line appended gives one more row") << two << three;
    QTest::newRow("a shortened log leaves no rows behind") << three << QStringList{three[2]};
    QTest::newRow("an emptied log leaves only the headings") << three << QStringList();
    QTest::newRow("a log that appears fills an empty list") << QStringList() << two;
}

void ArrivalLogTest::reloadFollowsTheLog()
{
    QFETCH(QStringList, before);
    QFETCH(QStringList, after);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString logPath = dir.filePath(QStringLiteral("Larkspur.log"));
    const qsizetype folderLength = Native("/m").size();
    ArrivalListModel model;
    RowMap rows;
    const auto reload = [&] {
        rows.Clear();
        model.Clear();
        const ArrivalLog log = ArrivalLog::Read(logPath, folderLength);
        model.Load(log);
        rows.Fill(log);
    };

    WriteBytes(logPath, LogBytes(before));
    reload();
    QCOMPARE(model.rowCount(), before.size());
    WriteBytes(logPath, LogBytes(after));
    reload();

    QCOMPARE(model.rowCount(), after.size());
    QCOMPARE(rows.Count(), after.size());
    for (int i = 0; i < after.size(); ++i) {
        QCOMPARE(rows.Find(i + 1), after[i]);
        QCOMPARE(model.index(i, 1).data().toString(), after[i].section(QDir::separator(), 2, 2));
    }
    QCOMPARE(rows.Find(int(after.size()) + 1), std::nullopt);
    QVERIFY(!model.index(int(after.size()), 0).isValid());
}

QTEST_GUILESS_MAIN(ArrivalLogTest)
#include "tst_arrival_log.moc"
