#include "AttachmentFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class AttachmentFilesTest : public QObject {
    Q_OBJECT
private slots:
    void safeNames_data();
    void safeNames();
    void filesAreNewAndInsideTheFolder();
};

void AttachmentFilesTest::safeNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("safe");

    QTest::newRow("a plain name stays") << "請求書.pdf" << "application/pdf" << "請求書.pdf";
    QTest::newRow("a relative path is one name") << "../../etc/passwd" << "text/plain" << "___.._etc_passwd";
    QTest::newRow("a Windows path is one name") << "C:\\Windows\\evil.exe" << "application/x-msdownload"
                                                << "C__Windows_evil.exe";
    QTest::newRow("a hidden name is shown") << ".bashrc" << "text/plain" << "_bashrc";
    QTest::newRow("dots alone are no folder") << ".." << "text/plain" << "__";
    QTest::newRow("control characters and blanks around") << " a\tb\n " << "text/plain" << "a_b";
    QTest::newRow("no name: the type's extension") << "" << "application/pdf" << "名前なし.pdf";
    QTest::newRow("no name of an unknown type") << "" << "application/x-none-such" << "名前なし";
    QTest::newRow("a long name is cut before its extension")
        << QString(300, QChar(0x3042)) + ".pdf" << "application/pdf" << QString(81, QChar(0x3042)) + ".pdf";
}

void AttachmentFilesTest::safeNames()
{
    QFETCH(QString, name);
    QFETCH(QString, type);
    QFETCH(QString, safe);
    QCOMPARE(SafeFileName({name, type, {}}), safe);
}

void AttachmentFilesTest::filesAreNewAndInsideTheFolder()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString outside = dir.filePath(QStringLiteral("outside.txt"));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("chosen")));
    const QString chosen = QDir::toNativeSeparators(dir.filePath(QStringLiteral("chosen")));
    const QString sep = QDir::separator();

    // A link where the name would go is never written through.
    QVERIFY(QFile::link(outside, chosen + sep + "outside.txt"));
    const MessageAttachment hostile{QStringLiteral("../outside.txt"), QStringLiteral("text/plain"), "x"};
    QCOMPARE(WriteNewFile(chosen, SafeFileName(hostile), "one"), chosen + sep + "___outside.txt");
    QCOMPARE(WriteNewFile(chosen, QStringLiteral("outside.txt"), "two"), chosen + sep + "outside (2).txt");
    QCOMPARE(WriteNewFile(chosen, QStringLiteral("___outside.txt"), "three"), chosen + sep + "___outside (2).txt");
    QVERIFY(!QFile::exists(outside));
    QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System),
             QStringList{"chosen"});

    QFile written(chosen + sep + "outside (2).txt");
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), QByteArray("two"));
    QCOMPARE(WriteNewFile(dir.filePath(QStringLiteral("missing")), QStringLiteral("a.txt"), "x"), std::nullopt);
}

QTEST_GUILESS_MAIN(AttachmentFilesTest)
#include "tst_attachment_files.moc"
