#include "FolderProbe.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class FolderProbeTest : public QObject {
    Q_OBJECT
private slots:
    void writableFolderPassesAndKeepsNothing();
    void folderThatTakesNoFilesGivesAReason_data();
    void folderThatTakesNoFilesGivesAReason();
};

void FolderProbeTest::writableFolderPassesAndKeepsNothing()
{
    QTemporaryDir dir;
    QCOMPARE(FolderProbe().WriteProblem(dir.path()), QString());
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
}

void FolderProbeTest::folderThatTakesNoFilesGivesAReason_data()
{
    QTest::addColumn<QString>("folder");
    QTest::newRow("missing folder") << QStringLiteral("@/none");
    QTest::newRow("a file, not a folder") << QStringLiteral("@/file");
    // Tests run as root, so permissions cannot stop the probe; the kernel's
    // own folders can.
    QTest::newRow("a folder of the kernel's") << QStringLiteral("/proc/self");
}

void FolderProbeTest::folderThatTakesNoFilesGivesAReason()
{
    QFETCH(QString, folder);
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("file")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    folder.replace(u'@', dir.path());
    QVERIFY(!FolderProbe().WriteProblem(folder).isEmpty());
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{QStringLiteral("file")});
}

QTEST_GUILESS_MAIN(FolderProbeTest)
#include "tst_folder_probe.moc"
