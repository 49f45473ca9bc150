#include "FakeDialogs.h"
#include "FileSystem.h"
#include "PlatformHelpers.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class PlatformHelpersTest : public QObject {
    Q_OBJECT
private slots:
    void init();

    void folderPresent();

    void pickerIsRootedAtTheRootWithNothingChosen();

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

void PlatformHelpersTest::pickerIsRootedAtTheRootWithNothingChosen()
{
    BrowseFolder(dialogs_, nullptr);
    const FakeDialogs::FolderRequest request = dialogs_.folderRequests.constFirst();
    QCOMPARE(request.title, QStringLiteral("フォルダを選択してください"));
    QCOMPARE(request.rootFolder, QStringLiteral("/"));
    QCOMPARE(request.startFolder, QString());
}

QTEST_GUILESS_MAIN(PlatformHelpersTest)
#include "tst_platform_helpers.moc"
