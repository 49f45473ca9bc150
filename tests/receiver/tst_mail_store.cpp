#include "DomainFolderName.h"
#include "FakeControls.h"
#include "FileSystem.h"
#include "MailStore.h"
#include "ManualClock.h"
#include "RecordingNotifier.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>

#include <sys/resource.h>

class MailStoreTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void oneMessageGivesOneLogLineAndItsFile();
    void messageBytesAreStoredExactly_data();
    void messageBytesAreStoredExactly();
    void sameDomainInTheSameSecondSharesOneFile();
    void twoDomainsInTheSameSecondGetTwoFiles();
    void folderEndingInSeparatorGivesDoubledSeparator();
    void domainNamedLikeTheLogGetsItsOwnFolder();
    void domainFolderNames_data();
    void domainFolderNames();
    void nothingIsWrittenOutsideTheStorageFolder_data();
    void nothingIsWrittenOutsideTheStorageFolder();
    void failuresAreReportedAndNotNotified_data();
    void failuresAreReportedAndNotNotified();
    void notificationsFollowTheirSwitches_data();
    void notificationsFollowTheirSwitches();
    void switchesAreReadForEachMessage();
    void largeMessagesPassThroughTheSpool_data();
    void largeMessagesPassThroughTheSpool();
    void droppedMessageLeavesNothing();
    void spoolLeftoversAreRemoved();
    void storeFailingPartWayLeavesEarlierMessagesWhole_data();
    void storeFailingPartWayLeavesEarlierMessagesWhole();

private:
    bool Store(const QByteArray& domain, const QByteArray& message);
    bool StoreIn(MailStore& store, const QByteArray& domain, const QByteArray& message);
    // Everything below the storage folder, relative to it, sorted.
    QStringList Entries() const;
    QByteArray ReadFile(const QString& path) const;
    QString StoragePath() const { return dir_->path() + QStringLiteral("/store"); }

    std::unique_ptr<QTemporaryDir> dir_;
    FakeControls controls_;
    FileSystem files_;
    ManualClock clock_;
    RecordingNotifier notifier_;
    QStringList failures_;
    std::unique_ptr<MailStore> store_;
};

void MailStoreTest::init()
{
    store_.reset();
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    QVERIFY(QDir(dir_->path()).mkdir(QStringLiteral("store")));
    controls_ = FakeControls();
    controls_.folder = StoragePath();
    clock_.Set(QDateTime(QDate(2003, 3, 25), QTime(14, 5, 9)));
    notifier_ = RecordingNotifier();
    failures_.clear();
}

bool MailStoreTest::Store(const QByteArray& domain, const QByteArray& message)
{
    if (!store_) {
        store_ = std::make_unique<MailStore>(controls_, files_, clock_, notifier_, QStringLiteral("Larkspur"));
        store_->OnFailure([this](const QString& text) { failures_.append(text); });
    }
    return StoreIn(*store_, domain, message);
}

bool MailStoreTest::StoreIn(MailStore& store, const QByteArray& domain, const QByteArray& message)
{
    // In pieces as a client's data arrives, so large messages take the spool.
    const std::unique_ptr<MessageWriter> writer = store.BeginMessage(domain);
    constexpr qsizetype Piece = 64 * 1024;
    for (qsizetype at = 0; at < message.size(); at += Piece) {
        writer->Append(QByteArrayView(message).sliced(at, std::min(Piece, message.size() - at)));
    }
    return writer->Commit();
}

QStringList MailStoreTest::Entries() const
{
    QStringList entries;
    QDirIterator it(StoragePath(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        entries.append(it.next().mid(StoragePath().size() + 1));
    }
    entries.sort();
    return entries;
}

QByteArray MailStoreTest::ReadFile(const QString& path) const
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void MailStoreTest::oneMessageGivesOneLogLineAndItsFile()
{
    QVERIFY(Store("b.example", "Subject: x\r\n\r\nbody\r\n.\r\n"));
    const QString messagePath = StoragePath() + QStringLiteral("/b.example/20030325_140509.log");
    QCOMPARE(ReadFile(StoragePath() + QStringLiteral("/Larkspur.log")), messagePath.toUtf8() + "\r\n");
    QCOMPARE(ReadFile(messagePath), QByteArray("Subject: x\r\n\r\nbody\r\n.\r\n"));
    QVERIFY(failures_.isEmpty());
}

void MailStoreTest::messageBytesAreStoredExactly_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("dot-stuffed lines keep both dots") << QByteArray("a\r\n..\r\n..x\r\n.\r\n");
    QTest::newRow("UTF-8 body") << QByteArray("Subject: \xe6\x97\xa5\xe6\x9c\xac\r\n\r\n\xe3\x81\x82\r\n.\r\n");
    QTest::newRow("Shift_JIS body") << QByteArray("\x82\xa0\x82\xa2\x93\xfa\x96\x7b\r\n.\r\n");
    QByteArray high;
    for (int b = 0x80; b <= 0xff; ++b) {
        high.append(char(b));
    }
    QTest::newRow("every byte from 0x80 to 0xFF") << high + "\r\n.\r\n";
    QTest::newRow("MIME with encoded words and base64 stays encoded")
        << QByteArray("Subject: =?UTF-8?B?5pel?=\r\nContent-Transfer-Encoding: base64\r\n\r\n5pel\r\n.\r\n");
    QTest::newRow("NUL and bare line ends") << QByteArray("a\0b\rc\nd\r\n.\r\n", 13);
}

void MailStoreTest::messageBytesAreStoredExactly()
{
    QFETCH(QByteArray, message);
    QVERIFY(Store("b.example", message));
    QCOMPARE(ReadFile(StoragePath() + QStringLiteral("/b.example/20030325_140509.log")), message);
}

void MailStoreTest::sameDomainInTheSameSecondSharesOneFile()
{
    QVERIFY(Store("b.example", "first\r\n.\r\n"));
    QVERIFY(QDir(StoragePath() + QStringLiteral("/b.example")).exists());
    QVERIFY(Store("b.example", "second\r\n.\r\n"));
    const QByteArray path = (StoragePath() + QStringLiteral("/b.example/20030325_140509.log")).toUtf8();
    QCOMPARE(ReadFile(QString::fromUtf8(path)), QByteArray("first\r\n.\r\nsecond\r\n.\r\n"));
    QCOMPARE(ReadFile(StoragePath() + QStringLiteral("/Larkspur.log")), path + "\r\n" + path + "\r\n");
}

void MailStoreTest::twoDomainsInTheSameSecondGetTwoFiles()
{
    QVERIFY(Store("one.example", "1\r\n.\r\n"));
    QVERIFY(Store("Two.Example", "2\r\n.\r\n"));
    QCOMPARE(ReadFile(StoragePath() + QStringLiteral("/one.example/20030325_140509.log")), QByteArray("1\r\n.\r\n"));
    QCOMPARE(ReadFile(StoragePath() + QStringLiteral("/Two.Example/20030325_140509.log")), QByteArray("2\r\n.\r\n"));
    QCOMPARE(ReadFile(StoragePath() + QStringLiteral("/Larkspur.log")),
             (StoragePath() + QStringLiteral("/one.example/20030325_140509.log\r\n") + StoragePath() +
              QStringLiteral("/Two.Example/20030325_140509.log\r\n"))
                 .toUtf8());
}

void MailStoreTest::folderEndingInSeparatorGivesDoubledSeparator()
{
    controls_.folder = StoragePath() + QStringLiteral("/");
    clock_.Set(QDateTime(QDate(2026, 12, 7), QTime(9, 8, 7)));
    QVERIFY(Store("b.example", "x\r\n.\r\n"));
    QCOMPARE(ReadFile(StoragePath() + QStringLiteral("/Larkspur.log")),
             (StoragePath() + QStringLiteral("//b.example/20261207_090807.log\r\n")).toUtf8());
}

void MailStoreTest::domainNamedLikeTheLogGetsItsOwnFolder()
{
    QVERIFY(Store("Larkspur.log", "x\r\n.\r\n"));
    const QString messagePath = StoragePath() + QStringLiteral("/Larkspur.log_/20030325_140509.log");
    QCOMPARE(ReadFile(StoragePath() + QStringLiteral("/Larkspur.log")), messagePath.toUtf8() + "\r\n");
    QCOMPARE(ReadFile(messagePath), QByteArray("x\r\n.\r\n"));
}

void MailStoreTest::domainFolderNames_data()
{
    QTest::addColumn<QString>("domain");
    QTest::addColumn<QString>("folder");
    QTest::newRow("a valid domain passes unchanged") << QStringLiteral("Mixed.Example-1") << QStringLiteral("Mixed.Example-1");
    QTest::newRow("climbing out with ../") << QStringLiteral("../../x") << QStringLiteral(".._.._x");
    QTest::newRow("two dots") << QStringLiteral("..") << QStringLiteral("__");
    QTest::newRow("one dot") << QStringLiteral(".") << QStringLiteral("_");
    QTest::newRow("an absolute path") << QStringLiteral("/etc") << QStringLiteral("_etc");
    QTest::newRow("a slash inside") << QStringLiteral("x/y") << QStringLiteral("x_y");
    QTest::newRow("a drive and backslash") << QStringLiteral("c:\\x") << QStringLiteral("c__x");
    QTest::newRow("backslashes around two dots") << QStringLiteral("x\\..\\y") << QStringLiteral("x_.._y");
    QTest::newRow("wildcards and quotes") << QStringLiteral("a*b?c\"d<e>f|g") << QStringLiteral("a_b_c_d_e_f_g");
    QTest::newRow("control characters") << QStringLiteral("a\x01" "b\tc\x7f") << QStringLiteral("a_b_c_");
    QTest::newRow("too long is cut to 255 bytes") << QString(300, u'd') << QString(255, u'd');
    QTest::newRow("multi-byte text is cut at a character") << QString(100, QChar(0x65e5)) << QString(85, QChar(0x65e5));
    QTest::newRow("dots that remain after the cut") << QString(255, u'.') + QStringLiteral("x") << QString(255, u'_');
    QTest::newRow("the arrival log's name") << QStringLiteral("Larkspur.log") << QStringLiteral("Larkspur.log_");
    QTest::newRow("the log's name in another case") << QStringLiteral("larkspur.LOG") << QStringLiteral("larkspur.LOG");
}

void MailStoreTest::domainFolderNames()
{
    QFETCH(QString, domain);
    QFETCH(QString, folder);
    QCOMPARE(DomainFolderName(domain, QStringLiteral("Larkspur.log")), folder);
}

void MailStoreTest::nothingIsWrittenOutsideTheStorageFolder_data()
{
    QTest::addColumn<QByteArray>("domain");
    QTest::newRow("../../x") << QByteArray("../../x");
    QTest::newRow("..") << QByteArray("..");
    QTest::newRow(".") << QByteArray(".");
    QTest::newRow("/etc") << QByteArray("/etc");
    QTest::newRow("x/y") << QByteArray("x/y");
    QTest::newRow("c:\\x") << QByteArray("c:\\x");
    QTest::newRow("x\\..\\y") << QByteArray("x\\..\\y");
    QTest::newRow("control characters") << QByteArray("a\x01\x1b[2J\r\n");
    QTest::newRow("longer than a folder name") << QByteArray(4000, 'z');
}

void MailStoreTest::nothingIsWrittenOutsideTheStorageFolder()
{
    QFETCH(QByteArray, domain);
    QVERIFY(QDir(StoragePath()).mkdir(QStringLiteral("inner")));
    controls_.folder = StoragePath() + QStringLiteral("/inner");
    QVERIFY(Store(domain, "x\r\n.\r\n"));

    QStringList everything;
    QDirIterator it(dir_->path(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        everything.append(it.next());
    }
    const QString inner = controls_.folder;
    const QString folderName = DomainFolderName(QString::fromUtf8(domain), QStringLiteral("Larkspur.log"));
    QStringList expected{StoragePath(), inner, inner + QStringLiteral("/Larkspur.log"), inner + u'/' + folderName,
                         inner + u'/' + folderName + QStringLiteral("/20030325_140509.log")};
    everything.sort();
    expected.sort();
    QCOMPARE(everything, expected);
    QCOMPARE(ReadFile(inner + QStringLiteral("/Larkspur.log")),
             (inner + u'/' + folderName + QStringLiteral("/20030325_140509.log\r\n")).toUtf8());
    QCOMPARE(notifier_.popups.size(), 0);
}

void MailStoreTest::failuresAreReportedAndNotNotified_data()
{
    QTest::addColumn<QString>("breakage");
    QTest::newRow("storage folder removed") << QStringLiteral("no storage folder");
    QTest::newRow("arrival log cannot be opened") << QStringLiteral("log is a folder");
    QTest::newRow("domain folder cannot be created") << QStringLiteral("domain is a file");
    QTest::newRow("message file cannot be opened") << QStringLiteral("message is a folder");
    QTest::newRow("disk full while writing the message") << QStringLiteral("message on full disk");
}

void MailStoreTest::failuresAreReportedAndNotNotified()
{
    QFETCH(QString, breakage);
    const QString logPath = StoragePath() + QStringLiteral("/Larkspur.log");
    const QString domainFolder = StoragePath() + QStringLiteral("/b.example");
    const QString messagePath = domainFolder + QStringLiteral("/20030325_140509.log");
    if (breakage == QLatin1String("no storage folder")) {
        QVERIFY(QDir(StoragePath()).removeRecursively());
    } else if (breakage == QLatin1String("log is a folder")) {
        QVERIFY(QDir().mkdir(logPath));
    } else if (breakage == QLatin1String("domain is a file")) {
        QFile file(domainFolder);
        QVERIFY(file.open(QIODevice::WriteOnly));
    } else if (breakage == QLatin1String("message is a folder")) {
        QVERIFY(QDir().mkpath(messagePath));
    } else {
        if (!QFile::exists(QStringLiteral("/dev/full"))) {
            QSKIP("no /dev/full here");
        }
        QVERIFY(QDir().mkdir(domainFolder));
        QVERIFY(QFile::link(QStringLiteral("/dev/full"), messagePath));
    }
    controls_.dialog = 1;
    controls_.sound = 1;
    controls_.wavFile = QStringLiteral("/x.wav");

    QVERIFY(!Store("b.example", "x\r\n.\r\n"));
    QCOMPARE(failures_.size(), 1);
    QVERIFY(notifier_.events.isEmpty());
    // The log line only ever follows a complete message file.
    QCOMPARE(ReadFile(logPath), QByteArray("<missing>"));
    QVERIFY(!QFile::exists(dir_->path() + QStringLiteral("/Larkspur.log")));
}

void MailStoreTest::notificationsFollowTheirSwitches_data()
{
    QTest::addColumn<int>("dialog");
    QTest::addColumn<int>("sound");
    QTest::addColumn<QStringList>("events");
    QTest::newRow("both on: pop-up first, then sound") << 1 << 1 << QStringList{"popup", "sound"};
    QTest::newRow("pop-up only") << 1 << 0 << QStringList{"popup"};
    QTest::newRow("sound only") << 0 << 1 << QStringList{"sound"};
    QTest::newRow("both off") << 0 << 0 << QStringList{};
    QTest::newRow("grayed switches count as off") << 2 << 2 << QStringList{};
}

void MailStoreTest::notificationsFollowTheirSwitches()
{
    QFETCH(int, dialog);
    QFETCH(int, sound);
    QFETCH(QStringList, events);
    controls_.dialog = dialog;
    controls_.sound = sound;
    controls_.wavFile = QStringLiteral("/sounds/ding.wav");
    QVERIFY(Store("../Raw.Example", "text\r\n.\r\n"));
    QCOMPARE(notifier_.events, events);
    if (dialog == 1) {
        QCOMPARE(notifier_.popups[0].caption, QStringLiteral("../Raw.Example"));
        QCOMPARE(notifier_.popups[0].message, QByteArray("text\r\n.\r\n"));
    }
    if (sound == 1) {
        QCOMPARE(notifier_.sounds, QStringList{"/sounds/ding.wav"});
    }
}

void MailStoreTest::switchesAreReadForEachMessage()
{
    QVERIFY(Store("a.example", "1\r\n.\r\n"));
    controls_.dialog = 1;
    QVERIFY(Store("b.example", "2\r\n.\r\n"));
    QVERIFY(Store("c.example", "3\r\n.\r\n"));
    QCOMPARE(notifier_.popups.size(), 2);
    QCOMPARE(notifier_.popups[0].caption, QStringLiteral("b.example"));
    QCOMPARE(notifier_.popups[1].caption, QStringLiteral("c.example"));
}

namespace {

// Text lines of 64 bytes and a short last one; none is a lone dot.
QByteArray TextOfSize(qsizetype size)
{
    return QByteArray(62, 'L').append("\r\n").repeated(size / 64) + QByteArray(size % 64, 'L');
}

// Files may not grow past `bytes` while it lives; a write that would fails
// part-way instead of stopping the process.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit limited = saved_;
        limited.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &saved_); }

private:
    rlimit saved_{};
};

} // namespace

void MailStoreTest::largeMessagesPassThroughTheSpool_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");
    QTest::newRow("alone: the spool file becomes the message file") << QByteArray() << QByteArray();
    QTest::newRow("behind a message of the same second") << QByteArray("earlier\r\n.\r\n") << QByteArray();
    QTest::newRow("followed by a message of the same second") << QByteArray() << QByteArray("later\r\n.\r\n");
}

void MailStoreTest::largeMessagesPassThroughTheSpool()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    const QByteArray large = TextOfSize(3 * 1024 * 1024 + 7) + "\r\n.\r\n";
    const QByteArray path = (StoragePath() + QStringLiteral("/b.example/20030325_140509.log")).toUtf8();
    controls_.dialog = 1;
    for (const QByteArray& message : {before, large, after}) {
        QVERIFY(message.isEmpty() || Store("b.example", message));
    }
    QCOMPARE(ReadFile(QString::fromUtf8(path)), before + large + after);
    const int messages = 1 + !before.isEmpty() + !after.isEmpty();
    QCOMPARE(ReadFile(StoragePath() + QStringLiteral("/Larkspur.log")), QByteArray(path + "\r\n").repeated(messages));
    QCOMPARE(Entries(), (QStringList{"Larkspur.log", "b.example", "b.example/20030325_140509.log"}));
    // The pop-up is given the first mebibyte of a large message and its size.
    QCOMPARE(notifier_.popups.at(before.isEmpty() ? 0 : 1).message, large.first(1024 * 1024));
    QCOMPARE(notifier_.popups.at(before.isEmpty() ? 0 : 1).fullSize, qint64(3 * 1024 * 1024 + 12));
}

void MailStoreTest::droppedMessageLeavesNothing()
{
    MailStore store(controls_, files_, clock_, notifier_, QStringLiteral("Larkspur"));
    std::unique_ptr<MessageWriter> writer = store.BeginMessage("b.example");
    writer->Append(TextOfSize(2 * 1024 * 1024));
    QCOMPARE(Entries().size(), 2);
    QVERIFY(Entries().first() == QStringLiteral(".Larkspur.spool"));
    writer.reset();
    QCOMPARE(Entries(), QStringList());
}

void MailStoreTest::spoolLeftoversAreRemoved()
{
    QVERIFY(QDir(StoragePath()).mkdir(QStringLiteral(".Larkspur.spool")));
    for (const char* name : {"/.Larkspur.spool/4242-1.tmp", "/.Larkspur.spool/other"}) {
        QFile leftover(StoragePath() + QLatin1String(name));
        QVERIFY(leftover.open(QIODevice::WriteOnly));
        leftover.write("partial message\r\n");
    }
    MailStore store(controls_, files_, clock_, notifier_, QStringLiteral("Larkspur"));
    store.RemoveSpoolLeftovers();
    QCOMPARE(Entries(), QStringList());
    // A domain that would take the spool folder's name gets a folder of its own.
    QVERIFY(StoreIn(store, ".Larkspur.spool", "x\r\n.\r\n"));
    QCOMPARE(Entries(), (QStringList{".Larkspur.spool_", ".Larkspur.spool_/20030325_140509.log", "Larkspur.log"}));
}

void MailStoreTest::storeFailingPartWayLeavesEarlierMessagesWhole_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<qint64>("limit"); // 0: the arrival log's size, so only the log line fails
    QTest::newRow("message file fills up") << QByteArray(4000, 'm') << qint64(1000);
    QTest::newRow("spool fills up") << TextOfSize(3 * 1024 * 1024) << qint64(2 * 1024 * 1024);
    QTest::newRow("arrival log fills up") << QByteArray("m\r\n.\r\n") << qint64(0);
}

void MailStoreTest::storeFailingPartWayLeavesEarlierMessagesWhole()
{
    QFETCH(QByteArray, message);
    QFETCH(qint64, limit);
    const QString logPath = StoragePath() + QStringLiteral("/Larkspur.log");
    const QByteArray path = (StoragePath() + QStringLiteral("/b.example/20030325_140509.log")).toUtf8();
    QVERIFY(Store("b.example", "earlier\r\n.\r\n"));
    {
        const FileSizeLimit full(limit ? limit : QFileInfo(logPath).size());
        QVERIFY(!Store("b.example", message));
    }
    QCOMPARE(failures_.size(), 1);
    QCOMPARE(ReadFile(QString::fromUtf8(path)), QByteArray("earlier\r\n.\r\n"));
    QCOMPARE(ReadFile(logPath), path + "\r\n");
    QVERIFY(Store("b.example", "next\r\n.\r\n"));
    QCOMPARE(ReadFile(QString::fromUtf8(path)), QByteArray("earlier\r\n.\r\nnext\r\n.\r\n"));
    QCOMPARE(ReadFile(logPath), path + "\r\n" + path + "\r\n");
    QCOMPARE(Entries(), (QStringList{"Larkspur.log", "b.example", "b.example/20030325_140509.log"}));
}

QTEST_GUILESS_MAIN(MailStoreTest)
#include "tst_mail_store.moc"
