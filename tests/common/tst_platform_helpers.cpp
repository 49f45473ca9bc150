#include "FileSystem.h"
#include "PlatformHelpers.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class PlatformHelpersTest : public QObject {
    Q_OBJECT
private slots:
    void folderPresent();
};

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

QTEST_GUILESS_MAIN(PlatformHelpersTest)
#include "tst_platform_helpers.moc"
