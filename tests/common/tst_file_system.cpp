#include "FileSystem.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class FileSystemTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void appendCreatesAndNeverTruncates();
    void writeLineEndsInCrLf();
    void readLineDropsCrLfOrLf();
    void readingMissingFileGivesNothing();
    void folderExistsAndCreateFolder();
    void stampChangesWhenTheSizeChanges();
    void stampOfMissingFile();

private:
    QString Path(const QString& name) const { return dir_->filePath(name); }
    static QByteArray Read(const QString& path);

    std::unique_ptr<QTemporaryDir> dir_;
    FileSystem fs_;
};

void FileSystemTest::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
}

QByteArray FileSystemTest::Read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void FileSystemTest::appendCreatesAndNeverTruncates()
{
    const QString path = Path("Larkspur.log");
    {
        TextFile file = fs_.OpenForAppend(path);
        QVERIFY(file.IsOpen());
        QVERIFY(file.Write("first\r\n"));
        QVERIFY(file.Close());
    }
    {
        TextFile file = fs_.OpenForAppend(path);
        QVERIFY(file.Write("second\r\n"));
        QVERIFY(file.Close());
    }
    {
        TextFile file = fs_.OpenForAppend(path); // opened and closed with nothing written
        QVERIFY(file.Close());
    }
    QCOMPARE(Read(path), QByteArray("first\r\nsecond\r\n"));
}

void FileSystemTest::writeLineEndsInCrLf()
{
    const QString path = Path("lines.txt");
    TextFile file = fs_.OpenForAppend(path);
    QVERIFY(file.WriteLine(QStringLiteral("受信")));
    QVERIFY(file.WriteLine(QString()));
    QVERIFY(file.Close());
    QCOMPARE(Read(path), QByteArray("\xE5\x8F\x97\xE4\xBF\xA1\r\n\r\n"));
}

void FileSystemTest::readLineDropsCrLfOrLf()
{
    const QString path = Path("mixed.txt");
    QFile raw(path);
    QVERIFY(raw.open(QIODevice::WriteOnly));
    raw.write("crlf\r\nlf\n\r\nlone\rcr\r\nlast");
    raw.close();

    TextFile file = fs_.OpenForRead(path);
    QVERIFY(file.IsOpen());
    QStringList lines;
    while (!file.AtEndOfStream()) {
        lines.append(file.ReadLine());
    }
    QCOMPARE(lines, (QStringList{"crlf", "lf", "", "lone\rcr", "last"}));
}

void FileSystemTest::readingMissingFileGivesNothing()
{
    TextFile file = fs_.OpenForRead(Path("missing.txt"));
    QVERIFY(!file.IsOpen());
    QVERIFY(file.AtEndOfStream());
    QCOMPARE(file.ReadAll(), QString());
    QVERIFY(!fs_.OpenForRead(dir_->path()).IsOpen()); // a folder is no file
}

void FileSystemTest::folderExistsAndCreateFolder()
{
    const QString folder = Path("example.com");
    QVERIFY(!fs_.FolderExists(folder));
    QVERIFY(fs_.CreateFolder(folder));
    QVERIFY(fs_.FolderExists(folder));
    QVERIFY(!fs_.FolderExists(QString()));
    QVERIFY(!fs_.CreateFolder(Path("a") + QDir::separator() + "b")); // parent missing
}

void FileSystemTest::stampChangesWhenTheSizeChanges()
{
    const QString path = Path("Larkspur.log");
    {
        TextFile file = fs_.OpenForAppend(path);
        QVERIFY(file.Write("one\r\n"));
    }
    const FileStamp before = fs_.Stamp(path);
    QVERIFY(before.exists);
    QCOMPARE(before.size, 5);
    QCOMPARE(fs_.Stamp(path), before);

    // Pin the time so only the size can tell the change.
    QFile touch(path);
    {
        TextFile file = fs_.OpenForAppend(path);
        QVERIFY(file.Write("two\r\n"));
    }
    QVERIFY(touch.open(QIODevice::ReadWrite));
    QVERIFY(touch.setFileTime(before.modified, QFileDevice::FileModificationTime));
    touch.close();

    const FileStamp after = fs_.Stamp(path);
    QCOMPARE(after.modified, before.modified);
    QCOMPARE(after.size, 10);
    QVERIFY(!(after == before));
}

void FileSystemTest::stampOfMissingFile()
{
    const FileStamp stamp = fs_.Stamp(Path("missing.log"));
    QVERIFY(!stamp.exists);
    QCOMPARE(stamp, FileStamp{});
}

QTEST_GUILESS_MAIN(FileSystemTest)
#include "tst_file_system.moc"
