#include "ArrivalListModel.h"
#include "ArrivalLog.h"
#include "ArrivalLogLoader.h"
#include "MessageOrdinals.h"
#include "RowMap.h"
#include "SystemText.h"

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
    void longLogIsReadASliceAtATime();
    void messageOrdinals_data();
    void messageOrdinals();
    void senderAndSubjectOfEachRowsMessage();
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

QStringList Lines(const ArrivalLog& log)
{
    QStringList lines;
    for (int i = 0; i < log.Count(); ++i) {
        lines.append(log.Line(i));
    }
    return lines;
}

// The whole log read into a list, as the viewer does at start-up.
struct LoadedList {
    LoadedList(const QString& logPath, qsizetype storageFolderLength, qint64 sliceBytes = 1 << 20)
        : loader(model, sliceBytes)
    {
        model.SetStorageFolderLength(storageFolderLength);
        loader.SetLogPath(logPath);
        loader.StartWhole();
        while (loader.ReadSlice()) {
        }
    }
    ArrivalLog log;
    ArrivalListModel model{log};
    RowMap rows{log};
    ArrivalLogLoader loader;
};

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

    ArrivalLog log;
    ArrivalListModel model(log);
    model.SetStorageFolderLength(folder.size());
    model.Append(ToSystemBytes(line + QStringLiteral("\r\n")));
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(model.index(0, 0).data().toString(), dateTime);
    QCOMPARE(dateTime.size(), 20);
    QCOMPARE(model.index(0, 1).data().toString(), domain);
    QCOMPARE(log.Line(0), line);
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

    QCOMPARE(Lines(ArrivalLog::FromText(text)), lines);
    // The same bytes arriving in two pieces, split anywhere, into blocks
    // too small to hold them whole.
    const QByteArray bytes = text.toUtf8();
    for (qsizetype split = 0; split <= bytes.size(); ++split) {
        ArrivalLog log;
        log.Reserve(2, 1);
        log.Append(bytes.first(split));
        log.Append(bytes.sliced(split));
        QCOMPARE(Lines(log), lines);
        QCOMPARE(log.Bytes(0, log.Size()), bytes);
    }
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

    const LoadedList list(logPath, folder.size());
    const ArrivalListModel& model = list.model;
    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(model.index(0, 0).data().toString(), QStringLiteral("2003/05/12/ 10:22:33"));
    QCOMPARE(model.index(0, 1).data().toString(), QStringLiteral("b.example"));
    QCOMPARE(model.index(1, 0).data().toString(), QStringLiteral("2003/01/01/ 00:00:00"));
    QCOMPARE(model.index(1, 1).data().toString(), QStringLiteral("a.example"));
    QCOMPARE(model.index(2, 0).data().toString(), QStringLiteral("2002/12/31/ 23:59:59"));
    QCOMPARE(model.index(2, 1).data().toString(), QStringLiteral("c.example"));

    const RowMap& rows = list.rows;
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
    const ArrivalLog log = ArrivalLog::FromText(line + "\r\n" + line + "\r\n");
    const RowMap rows(log);
    QCOMPARE(log.Count(), 2);
    QCOMPARE(rows.Find(1), line);
    QCOMPARE(rows.Find(2), line);
}

void ArrivalLogTest::missingLogGivesNoRows()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QCOMPARE(LoadedList(dir.filePath(QStringLiteral("Larkspur.log")), 1).model.rowCount(), 0);
    // A folder where the log should be cannot be read as one.
    QCOMPARE(LoadedList(dir.path(), 1).model.rowCount(), 0);
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
    const ArrivalLog log = ArrivalLog::FromText(lines.join("\r\n"));
    const RowMap rows(log);
    QCOMPARE(RowMap::Key(10), QStringLiteral("idx10"));
    if (line.isNull()) {
        QCOMPARE(rows.Find(key), std::nullopt);
    } else {
        QCOMPARE(rows.Find(key), line);
    }
}

void ArrivalLogTest::reloadFollowsTheLog_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<bool>("onlyNewBytesRead");

    const QStringList two{Native("/m/a/20030101_000001.log"), Native("/m/b/20030101_000002.log")};
    const QStringList three = two + QStringList{Native("/m/c/20030101_000003.log")};
    const QStringList otherTwo{Native("/m/x/20030101_000001.log"), Native("/m/y/20030101_000002.log")};
    QTest::newRow("a line appended is read alone") << LogBytes(two) << LogBytes(three) << three << true;
    QTest::newRow("an unchanged log reads nothing") << LogBytes(two) << LogBytes(two) << two << true;
    QTest::newRow("a log that appears fills the empty list") << QByteArray() << LogBytes(two) << two << true;
    QTest::newRow("a line finished after its first half was read")
        << LogBytes(two) + three[2].toUtf8().first(8) << LogBytes(three) << three << true;
    QTest::newRow("a shortened log is read whole") << LogBytes(three) << LogBytes({three[2]})
                                                 << QStringList{three[2]} << false;
    QTest::newRow("an emptied log leaves only the headings") << LogBytes(three) << QByteArray() << QStringList()
                                                           << false;
    QTest::newRow("the same size with other lines is read whole")
        << LogBytes(two) << LogBytes(otherTwo) << otherTwo << false;
    QTest::newRow("a longer log with other first lines is read whole")
        << LogBytes(two) << LogBytes(otherTwo + QStringList{three[2]}) << otherTwo + QStringList{three[2]} << false;
}

void ArrivalLogTest::reloadFollowsTheLog()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    QFETCH(QStringList, rows);
    QFETCH(bool, onlyNewBytesRead);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString logPath = dir.filePath(QStringLiteral("Larkspur.log"));
    if (!before.isNull()) {
        WriteBytes(logPath, before);
        // An old time, so that a rewrite shows as a new stamp however soon.
        QFile log(logPath);
        QVERIFY(log.open(QIODevice::ReadWrite));
        QVERIFY(log.setFileTime(QDateTime(QDate(2003, 5, 12), QTime(10, 22, 33)),
                                QFileDevice::FileModificationTime));
    }
    LoadedList list(logPath, Native("/m").size());
    if (before != after) {
        WriteBytes(logPath, after);
    }
    QSignalSpy resets(&list.model, &QAbstractItemModel::modelReset);

    const bool appended = list.loader.StartAppended();
    QCOMPARE(appended, onlyNewBytesRead);
    if (!appended) {
        list.loader.StartWhole();
    }
    while (list.loader.ReadSlice()) {
    }

    QCOMPARE(resets.size(), onlyNewBytesRead ? 0 : 1);
    QCOMPARE(list.model.rowCount(), rows.size());
    QCOMPARE(list.rows.Count(), rows.size());
    for (int i = 0; i < rows.size(); ++i) {
        QCOMPARE(list.rows.Find(i + 1), rows[i]);
        QCOMPARE(list.model.index(i, 1).data().toString(), rows[i].section(QDir::separator(), 2, 2));
    }
    QCOMPARE(list.rows.Find(int(rows.size()) + 1), std::nullopt);
}

void ArrivalLogTest::longLogIsReadASliceAtATime()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString logPath = dir.filePath(QStringLiteral("Larkspur.log"));
    const QStringList lines{Native("/m/a/20030101_000001.log"), Native("/m/b/20030101_000002.log"),
                            Native("/m/c/20030101_000003.log")};
    WriteBytes(logPath, LogBytes(lines));
    ArrivalLog log;
    ArrivalListModel model(log);
    ArrivalLogLoader loader(model, 30);
    loader.SetLogPath(logPath);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

    // 26 bytes a line: a slice that ends inside a line lists what it has
    // of it, and the next slice completes it.
    loader.StartWhole();
    QVERIFY(loader.ReadSlice());
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(log.Line(1), Native("/m/b"));
    QVERIFY(loader.ReadSlice());
    QCOMPARE(model.rowCount(), 3);
    QVERIFY(!loader.ReadSlice());
    QVERIFY(!loader.Loading());
    QCOMPARE(Lines(log), lines);
    QCOMPARE(inserted.size(), 2);
    QCOMPARE(changed.size(), 2);
}

void ArrivalLogTest::messageOrdinals_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QList<int>>("ordinals");

    // Each row names folder/second; the k-th row naming a file is its k-th message.
    QTest::newRow("the lines naming one file count its messages") << QStringList{"a/1", "a/1", "a/1"}
                                                                 << QList<int>{0, 1, 2};
    QTest::newRow("files of one second in two folders count apart")
        << QStringList{"a/1", "b/1", "a/1", "b/1", "a/2"} << QList<int>{0, 0, 1, 1, 0};
    QTest::newRow("a clock set back names an earlier file again") << QStringList{"a/2", "a/3", "a/1", "a/2"}
                                                                  << QList<int>{0, 0, 0, 1};
    QTest::newRow("names in no order still count exactly") << QStringList{"c/3", "a/1", "c/3", "b/2", "c/3", "a/1"}
                                                           << QList<int>{0, 0, 1, 0, 2, 1};
}

void ArrivalLogTest::messageOrdinals()
{
    QFETCH(QStringList, files);
    QFETCH(QList<int>, ordinals);

    QString text;
    for (const QString& file : files) {
        text += Native("/m/") + QDir::toNativeSeparators(file) + ".log\r\n";
    }
    const ArrivalLog log = ArrivalLog::FromText(text);
    // Asked from the last row up, and again from the first down.
    MessageOrdinals backwards(log);
    MessageOrdinals forwards(log);
    for (int row = int(files.size()) - 1; row >= 0; --row) {
        QCOMPARE(backwards.Ordinal(row), ordinals[row]);
    }
    for (int row = 0; row < files.size(); ++row) {
        QCOMPARE(forwards.Ordinal(row), ordinals[row]);
    }
}

void ArrivalLogTest::senderAndSubjectOfEachRowsMessage()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString file = QDir::toNativeSeparators(dir.filePath(QStringLiteral("20030512_102233.log")));
    const QString missing = QDir::toNativeSeparators(dir.filePath(QStringLiteral("20030512_102234.log")));
    const QByteArray first = "From: =?ISO-2022-JP?B?GyRCRURDZjBsTzobKEI=?= <tanaka@shop.example>\r\n"
                             "Subject: =?ISO-2022-JP?B?GyRCMnE1RCRON28bKEI=?=\r\n\r\nbody\r\n.\r\n";
    WriteBytes(file, first + "From: b@example.jp\r\nSubject: second\r\n\r\n.\r\n");
    ArrivalLog log;
    ArrivalListModel model(log);
    model.Append(LogBytes({file, missing, file, file}));
    QCOMPARE(model.headerData(2, Qt::Horizontal).toString(), QStringLiteral("差出人"));
    QCOMPARE(model.headerData(3, Qt::Horizontal).toString(), QStringLiteral("件名"));

    const auto cells = [&model](int row) {
        return QStringList{model.index(row, 2).data().toString(), model.index(row, 3).data().toString()};
    };
    QCOMPARE(cells(0), (QStringList{"田中一郎", "会議の件"}));
    QCOMPARE(cells(1), (QStringList{"", ""}));
    QCOMPARE(cells(2), (QStringList{"b@example.jp", "second"}));
    QCOMPARE(cells(3), (QStringList{"", ""}));
    QCOMPARE(model.MessageIndex(3), 2);

    // The receiver appends the third message and its line; the row that
    // found none before finds it now.
    WriteBytes(file, first + "From: b@example.jp\r\nSubject: second\r\n\r\n.\r\nSubject: third\r\n\r\n.\r\n");
    model.Append(LogBytes({file}));
    QCOMPARE(cells(3), (QStringList{"", "third"}));
    QCOMPARE(cells(4), (QStringList{"", ""}));
    QCOMPARE(model.MessageIndex(4), 3);
}

QTEST_GUILESS_MAIN(ArrivalLogTest)
#include "tst_arrival_log.moc"
