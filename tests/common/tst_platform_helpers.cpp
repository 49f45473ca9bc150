#include "FakeDialogs.h"
#include "FileSystem.h"
#include "PlatformHelpers.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class PlatformHelpersTest : public QObject {
    Q_OBJECT
private slots:
    void init();

    void folderPresent();
    void cutAtNul_data();
    void cutAtNul();

    void rootNumberFollowsTheKind_data();
    void rootNumberFollowsTheKind();
    void specialFolders();

    void cancelGivesEmptyPath();
    void chosenFolderIsReturned();
    void askedWithTheDesignTitle();
    void kindOneRootsAtTheDrivesAndIgnoresTheStartFolder();
    void kindEighteenUsesTheStartFolderFromTheDesktop();
    void kindEighteenWithoutStartFolderRootsAtTheDrives();
    void otherKindsIgnoreTheStartFolder_data();
    void otherKindsIgnoreTheStartFolder();
    void chosenPathIsCutAtNul();

private:
    FakeDialogs dialogs_;
};

void PlatformHelpersTest::init()
{
    dialogs_.Reset();
}

void PlatformHelpersTest::folderPresent()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString file = dir.filePath("file.txt");
    QFile touch(file);
    QVERIFY(touch.open(QIODevice::WriteOnly));
    touch.close();

    QVERIFY(FolderPresent(dir.path()));
    QVERIFY(FolderPresent(dir.path() + QDir::separator()));
    QVERIFY(!FolderPresent(file));
    QVERIFY(!FolderPresent(dir.filePath("missing")));
    QVERIFY(!FolderPresent(QString()));
    FileSystem fileSystem;
    QVERIFY(FolderPresent(fileSystem, dir.path()));
    QVERIFY(!FolderPresent(fileSystem, QString()));
}

void PlatformHelpersTest::cutAtNul_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("no NUL keeps all") << "/srv/mail" << "/srv/mail";
    QTest::newRow("empty text") << "" << "";
    QTest::newRow("text before the NUL") << QString::fromUtf8("/srv/mail\0garbage", 17) << "/srv/mail";
    QTest::newRow("first NUL counts") << QString::fromUtf8("a\0b\0c", 5) << "a";
    QTest::newRow("NUL at the start") << QString::fromUtf8("\0abc", 4) << "";
    QTest::newRow("NUL behind Japanese text") << QStringLiteral("受信") + QChar(u'\0') + "x"
                                              << QStringLiteral("受信");
}

void PlatformHelpersTest::cutAtNul()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(CutAtNul(text), expected);
}

void PlatformHelpersTest::rootNumberFollowsTheKind_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("csidl");

    QTest::newRow("kind 0 is the desktop") << 0 << 0;
    QTest::newRow("kind 1 is the computer's drives") << 1 << 17;
    QTest::newRow("kind 2 is itself") << 2 << 2;
    QTest::newRow("kind 5 is itself") << 5 << 5;
    QTest::newRow("kind 11 is itself") << 11 << 11;
    QTest::newRow("kind 12 is plus four") << 12 << 16;
    QTest::newRow("kind 17 is plus four") << 17 << 21;
    QTest::newRow("kind 18 is the drives") << 18 << 17;
    QTest::newRow("kind 100 is the drives") << 100 << 17;
    QTest::newRow("a negative kind is the drives") << -1 << 17;
}

void PlatformHelpersTest::rootNumberFollowsTheKind()
{
    QFETCH(int, kind);
    QFETCH(int, csidl);
    QCOMPARE(BrowseRootNumber(kind), csidl);
}

void PlatformHelpersTest::specialFolders()
{
    QCOMPARE(SpecialFolderPath(17), QDir::toNativeSeparators(QDir::rootPath()));
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    QCOMPARE(SpecialFolderPath(0), QDir::toNativeSeparators(desktop.isEmpty() ? QDir::homePath() : desktop));
    QCOMPARE(SpecialFolderPath(16), SpecialFolderPath(0));
    QCOMPARE(SpecialFolderPath(10), QDir::toNativeSeparators(QDir::homePath()));
    for (int csidl = 0; csidl <= 21; ++csidl) {
        QVERIFY2(!SpecialFolderPath(csidl).isEmpty(), qPrintable(QString::number(csidl)));
    }
}

void PlatformHelpersTest::cancelGivesEmptyPath()
{
    QCOMPARE(BrowseFolder(dialogs_, nullptr, 1, QString()), QString());
    QCOMPARE(dialogs_.folderRequests.size(), 1);
}

void PlatformHelpersTest::chosenFolderIsReturned()
{
    dialogs_.nextFolders.enqueue(QStringLiteral("/srv/メール"));
    QCOMPARE(BrowseFolder(dialogs_, nullptr, 1, QString()), QStringLiteral("/srv/メール"));
}

void PlatformHelpersTest::askedWithTheDesignTitle()
{
    BrowseFolder(dialogs_, nullptr, 1, QString());
    QCOMPARE(dialogs_.folderRequests.constFirst().title, QStringLiteral("フォルダを選択してください"));
    QCOMPARE(BrowseFolderTitle(), QStringLiteral("フォルダを選択してください"));
}

void PlatformHelpersTest::kindOneRootsAtTheDrivesAndIgnoresTheStartFolder()
{
    BrowseFolder(dialogs_, nullptr, 1, QStringLiteral("/srv/mail"));
    const FakeDialogs::FolderRequest request = dialogs_.folderRequests.constFirst();
    QCOMPARE(request.rootFolder, QStringLiteral("/"));
    QCOMPARE(request.startFolder, QString());
}

void PlatformHelpersTest::kindEighteenUsesTheStartFolderFromTheDesktop()
{
    BrowseFolder(dialogs_, nullptr, 18, QStringLiteral("/srv/mail"));
    const FakeDialogs::FolderRequest request = dialogs_.folderRequests.constFirst();
    QCOMPARE(request.rootFolder, SpecialFolderPath(0));
    QCOMPARE(request.startFolder, QStringLiteral("/srv/mail"));
}

void PlatformHelpersTest::kindEighteenWithoutStartFolderRootsAtTheDrives()
{
    BrowseFolder(dialogs_, nullptr, 18, QString());
    const FakeDialogs::FolderRequest request = dialogs_.folderRequests.constFirst();
    QCOMPARE(request.rootFolder, QStringLiteral("/"));
    QCOMPARE(request.startFolder, QString());
}

void PlatformHelpersTest::otherKindsIgnoreTheStartFolder_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("kind 0") << 0;
    QTest::newRow("kind 5") << 5;
    QTest::newRow("kind 17") << 17;
    QTest::newRow("kind 19") << 19;
}

void PlatformHelpersTest::otherKindsIgnoreTheStartFolder()
{
    QFETCH(int, kind);
    BrowseFolder(dialogs_, nullptr, kind, QStringLiteral("/srv/mail"));
    const FakeDialogs::FolderRequest request = dialogs_.folderRequests.constFirst();
    QCOMPARE(request.rootFolder, SpecialFolderPath(BrowseRootNumber(kind)));
    QCOMPARE(request.startFolder, QString());
}

void PlatformHelpersTest::chosenPathIsCutAtNul()
{
    dialogs_.nextFolders.enqueue(QString::fromUtf8("/srv/mail\0junk", 14));
    QCOMPARE(BrowseFolder(dialogs_, nullptr, 1, QString()), QStringLiteral("/srv/mail"));
}

QTEST_GUILESS_MAIN(PlatformHelpersTest)
#include "tst_platform_helpers.moc"
