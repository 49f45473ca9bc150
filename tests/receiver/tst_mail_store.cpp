#include "FakeControls.h"
#include "FileSystem.h"
#include "MailStore.h"
#include "ManualClock.h"
#include "RecordingNotifier.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

class MailStoreTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void messageBytesAreStoredExactly_data();
    void messageBytesAreStoredExactly();
    void sameDomainInTheSameSecondSharesOneFile();
    void twoDomainsInTheSameSecondGetTwoFiles();
    void folderEndingInSeparatorGivesDoubledSeparator();
    void domainBecomesOneFolderInsideTheStorageFolder_data();
    void domainBecomesOneFolderInsideTheStorageFolder();
    void failuresAreReportedAndNotNotified_data();
    void failuresAreReportedAndNotNotified();
    void notificationsFollowTheirSwitches_data();
    void notificationsFollowTheirSwitches();
    void switchesAreReadForEachMessage();
    void largeMessagesPassThroughTheSpool_data();
    void largeMessagesPassThroughTheSpool();
    void droppedMessageLeavesNothing();
    void spoolLeftoversAreRemovedByTheLockHolder();
    void secondStoreOnTheFolderIsRefusedUntilTheFirstLetsGo();
    void storeFailingPartWayLeavesEarlierMessagesWhole_data();
    void storeFailingPartWayLeavesEarlierMessagesWhole();
    void messageGoesOnlyWhereTheFolderStandsNow_data();
    void messageGoesOnlyWhereTheFolderStandsNow();
    void messageCutOffByAKillIsTakenBackAtTheNextStart_data();
    void messageCutOffByAKillIsTakenBackAtTheNextStart();
    void whatTheStoreMakesIsForItsOwnerOnly();

private:
    bool Store(const QByteArray& domain, const QByteArray& message);
    bool StoreIn(MailStore& store, const QByteArray& domain, const QByteArray& message);
    void EnsureStore();
    std::unique_ptr<MailStore> LockedStore();
    // Everything below a folder but the spool, relative to it, sorted.
    static QStringList Tree(const QString& root);
    QStringList Entries() const { return Tree(StoragePath()); }
    QStringList SpoolEntries() const;
    QByteArray ReadFile(const QString& path) const;
    QString StoragePath() const { return dir_->path() + QStringLiteral("/store"); }

    std::unique_ptr<QTemporaryDir> dir_;
    FakeControls controls_;
    FileSystem files_;
    ManualClock clock_;
    RecordingNotifier notifier_;
    QList<StoreFailure> failures_;
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
    EnsureStore();
    return StoreIn(*store_, domain, message);
}

void MailStoreTest::EnsureStore()
{
    if (!store_) {
        store_ = LockedStore();
        store_->OnFailure([this](const StoreFailure& failure) { failures_.append(failure); });
    }
}

std::unique_ptr<MailStore> MailStoreTest::LockedStore()
{
    auto store = std::make_unique<MailStore>(controls_, files_, clock_, QStringLiteral("Larkspur"));
    store->SetNotifier(&notifier_);
    QString error;
    [&] { QCOMPARE(store->LockFolder(&error), StorageLock::Outcome::Taken); }();
    return store;
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

QStringList MailStoreTest::Tree(const QString& root)
{
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString entry = it.next().mid(root.size() + 1);
        if (!entry.split(u'/').contains(QLatin1String(".Larkspur.spool"))) {
            entries.append(entry);
        }
    }
    entries.sort();
    return entries;
}

QStringList MailStoreTest::SpoolEntries() const
{
    return QDir(StoragePath() + QStringLiteral("/.Larkspur.spool")).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

QByteArray MailStoreTest::ReadFile(const QString& path) const
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
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

void MailStoreTest::domainBecomesOneFolderInsideTheStorageFolder_data()
{
    QTest::addColumn<QByteArray>("domain");
    QTest::addColumn<QString>("folder");
    QTest::newRow("a valid domain passes unchanged")
        << QByteArray("Mixed.Example-1") << QStringLiteral("Mixed.Example-1");
    QTest::newRow("climbing out with ../") << QByteArray("../../x") << QStringLiteral(".._.._x");
    QTest::newRow("two dots") << QByteArray("..") << QStringLiteral("__");
    QTest::newRow("one dot") << QByteArray(".") << QStringLiteral("_");
    QTest::newRow("an absolute path") << QByteArray("/etc") << QStringLiteral("_etc");
    QTest::newRow("a slash inside") << QByteArray("x/y") << QStringLiteral("x_y");
    QTest::newRow("a drive and backslash") << QByteArray("c:\\x") << QStringLiteral("c__x");
    QTest::newRow("backslashes around two dots") << QByteArray("x\\..\\y") << QStringLiteral("x_.._y");
    QTest::newRow("wildcards and quotes") << QByteArray("a*b?c\"d<e>f|g") << QStringLiteral("a_b_c_d_e_f_g");
    QTest::newRow("control characters") << QByteArray("a\x01\x1b[2J\r\n") << QStringLiteral("a__[2J__");
    QTest::newRow("too long is cut to 255 bytes") << QByteArray(4000, 'z') << QString(255, u'z');
    QTest::newRow("multi-byte text is cut at a character")
        << QByteArray("\xe6\x97\xa5").repeated(100) << QString(85, QChar(0x65e5));
    QTest::newRow("dots that remain after the cut") << QByteArray(255, '.') + "x" << QString(255, u'_');
    QTest::newRow("the arrival log's name") << QByteArray("Larkspur.log") << QStringLiteral("Larkspur.log_");
    QTest::newRow("the log's name in another case") << QByteArray("larkspur.LOG") << QStringLiteral("larkspur.LOG");
    QTest::newRow("the spool folder's name") << QByteArray(".Larkspur.spool") << QStringLiteral(".Larkspur.spool_");
}

void MailStoreTest::domainBecomesOneFolderInsideTheStorageFolder()
{
    QFETCH(QByteArray, domain);
    QFETCH(QString, folder);
    // One level down, so a path that climbs out would still land in sight.
    QVERIFY(QDir(StoragePath()).mkdir(QStringLiteral("inner")));
    controls_.folder = StoragePath() + QStringLiteral("/inner");
    QVERIFY(Store(domain, "x\r\n.\r\n"));
    QStringList expected{"store", "store/inner", "store/inner/Larkspur.log", "store/inner/" + folder,
                         "store/inner/" + folder + "/20030325_140509.log"};
    expected.sort();
    QCOMPARE(Tree(dir_->path()), expected);
    QCOMPARE(ReadFile(controls_.folder + QStringLiteral("/Larkspur.log")),
             (controls_.folder + u'/' + folder + QStringLiteral("/20030325_140509.log\r\n")).toUtf8());
}

void MailStoreTest::failuresAreReportedAndNotNotified_data()
{
    QTest::addColumn<QString>("breakage");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("path"); // below the storage folder
    QTest::newRow("storage folder removed") << QStringLiteral("no storage folder")
                                            << QStringLiteral("保管フォルダーがありません") << QString();
    QTest::newRow("arrival log cannot be opened") << QStringLiteral("log is a folder")
                                                  << QStringLiteral("到着ログに書き込めません")
                                                  << QStringLiteral("/Larkspur.log");
    QTest::newRow("domain folder cannot be created") << QStringLiteral("domain is a file")
                                                     << QStringLiteral("メールを保存できません")
                                                     << QStringLiteral("/b.example/20030325_140509.log");
    QTest::newRow("message file cannot be opened") << QStringLiteral("message is a folder")
                                                   << QStringLiteral("メールを保存できません")
                                                   << QStringLiteral("/b.example/20030325_140509.log");
    QTest::newRow("disk full while writing the message") << QStringLiteral("message on full disk")
                                                         << QStringLiteral("メールを保存できません")
                                                         << QStringLiteral("/b.example/20030325_140509.log");
}

void MailStoreTest::failuresAreReportedAndNotNotified()
{
    QFETCH(QString, breakage);
    QFETCH(QString, reason);
    QFETCH(QString, path);
    EnsureStore(); // holds the folder before it breaks
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
    QCOMPARE(failures_[0].reason, reason);
    QCOMPARE(failures_[0].path, StoragePath() + path);
    QVERIFY(notifier_.events.isEmpty());
    // The log line only ever follows a complete message file.
    QVERIFY(!ReadFile(logPath).contains(".log"));
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
    QTest::newRow("alone in its second") << QByteArray() << QByteArray();
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
    QCOMPARE(SpoolEntries(), (QStringList{"journal", "lock"}));
    // The pop-up is given the first mebibyte of a large message and its size.
    QCOMPARE(notifier_.popups.at(before.isEmpty() ? 0 : 1).message, large.first(1024 * 1024));
    QCOMPARE(notifier_.popups.at(before.isEmpty() ? 0 : 1).fullSize, qint64(3 * 1024 * 1024 + 12));
}

void MailStoreTest::droppedMessageLeavesNothing()
{
    EnsureStore();
    std::unique_ptr<MessageWriter> writer = store_->BeginMessage("b.example");
    writer->Append(TextOfSize(2 * 1024 * 1024));
    QCOMPARE(SpoolEntries(), (QStringList{"1.tmp", "journal", "lock"}));
    writer.reset();
    QCOMPARE(SpoolEntries(), (QStringList{"journal", "lock"}));
    QCOMPARE(Entries(), QStringList());
}

void MailStoreTest::spoolLeftoversAreRemovedByTheLockHolder()
{
    QVERIFY(QDir(StoragePath()).mkdir(QStringLiteral(".Larkspur.spool")));
    for (const char* name : {"/.Larkspur.spool/4242-1.tmp", "/.Larkspur.spool/other"}) {
        QFile leftover(StoragePath() + QLatin1String(name));
        QVERIFY(leftover.open(QIODevice::WriteOnly));
        leftover.write("partial message\r\n");
    }
    LockedStore();
    QCOMPARE(SpoolEntries(), (QStringList{"journal", "lock"}));
}

void MailStoreTest::secondStoreOnTheFolderIsRefusedUntilTheFirstLetsGo()
{
    EnsureStore();
    MailStore second(controls_, files_, clock_, QStringLiteral("Larkspur"));
    QString error;
    QCOMPARE(second.LockFolder(&error), StorageLock::Outcome::HeldElsewhere);
    store_->ReleaseFolder();
    QCOMPARE(second.LockFolder(&error), StorageLock::Outcome::Taken);
}

void MailStoreTest::storeFailingPartWayLeavesEarlierMessagesWhole_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<qint64>("limit"); // 0: the arrival log's size, so only the log line fails
    QTest::newRow("message file fills up") << QByteArray(4000, 'm') << qint64(1000);
    QTest::newRow("spool fills up") << TextOfSize(3 * 1024 * 1024) << qint64(2 * 1024 * 1024);
    QTest::newRow("copy from the spool fills the message file") << TextOfSize(3 * 1024 * 1024)
                                                                 << qint64(3 * 1024 * 1024 + 6);
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
    QCOMPARE(SpoolEntries(), (QStringList{"journal", "lock"}));
}

void MailStoreTest::messageGoesOnlyWhereTheFolderStandsNow_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<bool>("stored");
    QTest::addColumn<QByteArray>("file"); // the file of the second afterwards
    QTest::addColumn<int>("logLines");
    const QByteArray first = "first\r\n.\r\n";
    const QByteArray second = "second\r\n.\r\n";
    const QByteArray large = TextOfSize(2 * 1024 * 1024) + "\r\n.\r\n";
    QTest::newRow("storage folder removed: refused, and not made again")
        << "remove folder" << second << false << QByteArray("<missing>") << 0;
    QTest::newRow("storage folder removed and made again: stored in the new one")
        << "remake folder" << second << true << second << 1;
    QTest::newRow("a spooled message into a storage folder made again")
        << "remake folder" << large << true << large << 1;
    QTest::newRow("storage folder moved away and a new one made") << "move folder" << second << true << second << 1;
    QTest::newRow("message file removed: a new one") << "remove file" << second << true << second << 2;
    QTest::newRow("arrival log removed: a new one") << "remove log" << second << true << first + second << 1;
}

void MailStoreTest::messageGoesOnlyWhereTheFolderStandsNow()
{
    QFETCH(QString, change);
    QFETCH(QByteArray, message);
    QFETCH(bool, stored);
    QFETCH(QByteArray, file);
    QFETCH(int, logLines);
    const QString relative = QStringLiteral("/b.example/20030325_140509.log");
    QVERIFY(Store("b.example", "first\r\n.\r\n"));
    QDir storage(StoragePath());
    if (change == QLatin1String("remove folder") || change == QLatin1String("remake folder")) {
        QVERIFY(storage.removeRecursively());
    } else if (change == QLatin1String("move folder")) {
        QVERIFY(QDir(dir_->path()).rename(QStringLiteral("store"), QStringLiteral("old")));
    } else {
        QVERIFY(QFile::remove(StoragePath() + (change == QLatin1String("remove file") ? relative : "/Larkspur.log")));
    }
    if (change.endsWith(QLatin1String("folder")) && change != QLatin1String("remove folder")) {
        QVERIFY(storage.mkpath(StoragePath()));
    }
    QCOMPARE(Store("b.example", message), stored);
    QCOMPARE(ReadFile(StoragePath() + relative), file);
    const QByteArray line = (StoragePath() + relative + QStringLiteral("\r\n")).toUtf8();
    QCOMPARE(ReadFile(StoragePath() + QStringLiteral("/Larkspur.log")),
             logLines ? line.repeated(logLines) : QByteArray("<missing>"));
    QCOMPARE(ReadFile(dir_->path() + QStringLiteral("/old") + relative),
             QByteArray(change == QLatin1String("move folder") ? "first\r\n.\r\n" : "<missing>"));
    QCOMPARE(QDir(StoragePath()).exists(), change != QLatin1String("remove folder"));
}

void MailStoreTest::messageCutOffByAKillIsTakenBackAtTheNextStart_data()
{
    QTest::addColumn<QByteArray>("domain");
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<bool>("afterLogLine");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QByteArray>("file"); // b.example's file after the restart
    QTest::addColumn<int>("logLines");
    const QByteArray small = "cut\r\n.\r\n";
    const QByteArray large = TextOfSize(2 * 1024 * 1024) + "\r\n.\r\n";
    const QStringList earlierOnly{"Larkspur.log", "b.example", "b.example/20030325_140509.log"};
    QTest::newRow("appended to the file of its second: cut back")
        << QByteArray("b.example") << small << false << earlierOnly << QByteArray("earlier\r\n.\r\n") << 1;
    QTest::newRow("copied from the spool into the file of its second: cut back")
        << QByteArray("b.example") << large << false << earlierOnly << QByteArray("earlier\r\n.\r\n") << 1;
    QTest::newRow("a spooled message renamed into a new file: removed")
        << QByteArray("c.example") << large << false << (earlierOnly + QStringList{"c.example"})
        << QByteArray("earlier\r\n.\r\n") << 1;
    QTest::newRow("killed after its log line: kept whole")
        << QByteArray("b.example") << small << true << earlierOnly << QByteArray("earlier\r\n.\r\ncut\r\n.\r\n") << 2;
}

void MailStoreTest::messageCutOffByAKillIsTakenBackAtTheNextStart()
{
    QFETCH(QByteArray, domain);
    QFETCH(QByteArray, message);
    QFETCH(bool, afterLogLine);
    QFETCH(QStringList, entries);
    QFETCH(QByteArray, file);
    QFETCH(int, logLines);
    QVERIFY(Store("b.example", "earlier\r\n.\r\n"));
    store_.reset();

    // A receiver in a child process, killed at that point of its commit.
    const pid_t child = ::fork();
    if (child == 0) {
        MailStore store(controls_, files_, clock_, QStringLiteral("Larkspur"));
        QString error;
        if (store.LockFolder(&error) != StorageLock::Outcome::Taken) {
            ::_exit(2);
        }
        if (afterLogLine) {
            store.OnStored([](const QDateTime&, const QString&, const QString&) { ::raise(SIGKILL); });
        } else {
            store.OnPlaced([] { ::raise(SIGKILL); });
        }
        StoreIn(store, domain, message);
        ::_exit(3);
    }
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

    EnsureStore();
    QCOMPARE(Entries(), entries);
    const QByteArray path = (StoragePath() + QStringLiteral("/b.example/20030325_140509.log")).toUtf8();
    QCOMPARE(ReadFile(QString::fromUtf8(path)), file);
    QCOMPARE(ReadFile(StoragePath() + QStringLiteral("/Larkspur.log")), QByteArray(path + "\r\n").repeated(logLines));
    QCOMPARE(SpoolEntries(), (QStringList{"journal", "lock"}));
}

void MailStoreTest::whatTheStoreMakesIsForItsOwnerOnly()
{
    const mode_t saved = ::umask(0);
    const auto restore = qScopeGuard([saved] { ::umask(saved); });
    const QString old = StoragePath() + QStringLiteral("/old.example");
    QVERIFY(QDir().mkdir(old));
    QFile oldFile(old + QStringLiteral("/20030325_140509.log"));
    QVERIFY(oldFile.open(QIODevice::WriteOnly));
    QVERIFY(::chmod(QFile::encodeName(old).constData(), 0755) == 0);
    QVERIFY(::chmod(QFile::encodeName(oldFile.fileName()).constData(), 0644) == 0);
    QVERIFY(Store("new.example", "x\r\n.\r\n"));
    QVERIFY(Store("old.example", "x\r\n.\r\n"));
    QVERIFY(Store("spooled.example", TextOfSize(2 * 1024 * 1024) + "\r\n.\r\n"));

    QStringList modes;
    const QStringList spool{".Larkspur.spool", ".Larkspur.spool/journal", ".Larkspur.spool/lock"};
    for (const QString& entry : Entries() + spool) {
        struct stat status {};
        QVERIFY(::stat(QFile::encodeName(StoragePath() + u'/' + entry).constData(), &status) == 0);
        modes.append(entry + u' ' + QString::number(status.st_mode & 0777, 8));
    }
    QCOMPARE(modes, (QStringList{"Larkspur.log 600", "new.example 700", "new.example/20030325_140509.log 600",
                                 "old.example 755", "old.example/20030325_140509.log 644", "spooled.example 700",
                                 "spooled.example/20030325_140509.log 600", ".Larkspur.spool 700",
                                 ".Larkspur.spool/journal 600", ".Larkspur.spool/lock 600"}));
}

QTEST_GUILESS_MAIN(MailStoreTest)
#include "tst_mail_store.moc"
