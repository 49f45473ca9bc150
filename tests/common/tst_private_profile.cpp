#include "PrivateProfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

class PrivateProfileTest : public QObject {
    Q_OBJECT
private slots:
    void init();

    void readsKeysWhateverTheirOrder();
    void namesAreMatchedWithoutRegardToCase_data();
    void namesAreMatchedWithoutRegardToCase();
    void firstKeyOfTheNameWins();
    void firstSectionOfTheNameWins();
    void valueLosesBlanksAndOnePairOfQuotes_data();
    void valueLosesBlanksAndOnePairOfQuotes();
    void linesThatAreNoKeyOfTheSectionAreNotFound_data();
    void linesThatAreNoKeyOfTheSectionAreNotFound();
    void missingFileSectionOrKeyGivesTheDefault_data();
    void missingFileSectionOrKeyGivesTheDefault();
    void defaultLosesTrailingBlanks();
    void readsFileWithByteOrderMark();
    void longValueIsCutToItsFirst511Bytes_data();
    void longValueIsCutToItsFirst511Bytes();
    void cutNeverSplitsACharacter_data();
    void cutNeverSplitsACharacter();

    void firstSaveCreatesFileWithSectionAndKey();
    void valueIsWrittenVerbatim();
    void keyIsReplacedInPlaceKeepingEverythingElse();
    void replacedKeyKeepsItsLineEnd();
    void missingKeyIsAppendedAtTheEndOfItsSection();
    void missingKeyInLastSectionWithoutFinalLineEnd();
    void missingSectionIsAppendedToTheFile();
    void missingSectionAfterLastLineWithoutLineEnd();
    void saveKeepsByteOrderMark();
    void writtenValueReadsBack_data();
    void writtenValueReadsBack();

    void saveIntoFolderThatIsAFileChangesNothing();
    void saveIntoMissingFolderCreatesNothing();
    void saveOverAFolderLeavesItAlone();
    void saveThatFailsWhileWritingLeavesOldFileWhole();

private:
    QString Path(const QString& name = QStringLiteral("Larkspur.ini")) const;
    static void Write(const QString& path, const QByteArray& bytes);
    static QByteArray Read(const QString& path);

    std::unique_ptr<QTemporaryDir> dir_;
};

void PrivateProfileTest::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
}

QString PrivateProfileTest::Path(const QString& name) const
{
    return dir_->filePath(name);
}

void PrivateProfileTest::Write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray PrivateProfileTest::Read(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return "<missing>";
    }
    return file.readAll();
}

// ---- reading --------------------------------------------------------------

void PrivateProfileTest::readsKeysWhateverTheirOrder()
{
    Write(Path(), "[SMTP]\r\nSOUND=1\r\nFOLDER=/srv/mail\r\nPORT=2525\r\n");
    QCOMPARE(GetIniString(Path(), "SMTP", "PORT", "25"), QStringLiteral("2525"));
    QCOMPARE(GetIniString(Path(), "SMTP", "FOLDER", ""), QStringLiteral("/srv/mail"));
    QCOMPARE(GetIniString(Path(), "SMTP", "SOUND", "0"), QStringLiteral("1"));
}

void PrivateProfileTest::namesAreMatchedWithoutRegardToCase_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");

    QTest::newRow("section and key asked for in lower case") << QByteArray("[SMTP]\r\nPORT=7\r\n") << "smtp"
                                                             << "port";
    QTest::newRow("file written in lower case") << QByteArray("[smtp]\r\nport=7\r\n") << "SMTP"
                                                << "PORT";
    QTest::newRow("mixed case on both sides") << QByteArray("[Smtp]\r\npOrT=7\r\n") << "sMTP"
                                              << "PoRt";
}

void PrivateProfileTest::namesAreMatchedWithoutRegardToCase()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, section);
    QFETCH(QString, key);
    Write(Path(), file);
    QCOMPARE(GetIniString(Path(), section, key, "default"), QStringLiteral("7"));
}

void PrivateProfileTest::firstKeyOfTheNameWins()
{
    Write(Path(), "[SMTP]\r\nPORT=1\r\nport=2\r\nPORT=3\r\n");
    QCOMPARE(GetIniString(Path(), "SMTP", "PORT", "25"), QStringLiteral("1"));
}

void PrivateProfileTest::firstSectionOfTheNameWins()
{
    Write(Path(), "[SMTP]\r\nPORT=1\r\n[Other]\r\nPORT=9\r\n[smtp]\r\nPORT=2\r\n");
    QCOMPARE(GetIniString(Path(), "SMTP", "PORT", "25"), QStringLiteral("1"));
    QCOMPARE(GetIniString(Path(), "Other", "PORT", "25"), QStringLiteral("9"));
}

void PrivateProfileTest::valueLosesBlanksAndOnePairOfQuotes_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("expected");

    QTest::newRow("plain value") << QByteArray("FOLDER=/srv/mail") << "/srv/mail";
    QTest::newRow("blanks around the value") << QByteArray("FOLDER=  /srv/mail \t ") << "/srv/mail";
    QTest::newRow("blanks around the key and the equals sign") << QByteArray("  FOLDER \t=  /srv/mail")
                                                               << "/srv/mail";
    QTest::newRow("blanks inside the value stay") << QByteArray("FOLDER=/srv/my mail") << "/srv/my mail";
    QTest::newRow("enclosing quotes go") << QByteArray("FOLDER=\"/srv/mail\"") << "/srv/mail";
    QTest::newRow("blanks inside quotes stay") << QByteArray("FOLDER= \" /srv/mail \" ") << " /srv/mail ";
    QTest::newRow("only one pair of quotes goes") << QByteArray("FOLDER=\"\"/srv/mail\"\"") << "\"/srv/mail\"";
    QTest::newRow("an opening quote alone stays") << QByteArray("FOLDER=\"/srv/mail") << "\"/srv/mail";
    QTest::newRow("a closing quote alone stays") << QByteArray("FOLDER=/srv/mail\"") << "/srv/mail\"";
    QTest::newRow("a lone quote stays") << QByteArray("FOLDER=\"") << "\"";
    QTest::newRow("empty quotes give an empty value") << QByteArray("FOLDER=\"\"") << "";
    QTest::newRow("nothing after the equals sign") << QByteArray("FOLDER=") << "";
    QTest::newRow("an equals sign inside the value stays") << QByteArray("FOLDER=a=b") << "a=b";
    QTest::newRow("Japanese text") << QByteArray("FOLDER=/srv/\xE3\x83\xA1\xE3\x83\xBC\xE3\x83\xAB")
                                   << QStringLiteral("/srv/メール");
    QTest::newRow("an ideographic space is no blank") << QByteArray("FOLDER=\xE3\x80\x80x")
                                                      << QStringLiteral("\u3000x");
}

void PrivateProfileTest::valueLosesBlanksAndOnePairOfQuotes()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, expected);
    Write(Path(), "[SMTP]\r\n" + line + "\r\nPORT=25\r\n");
    QCOMPARE(GetIniString(Path(), "SMTP", "FOLDER", "default"), expected);

    Write(Path(), "[SMTP]\n" + line); // LF line ends, no line end at the end
    QCOMPARE(GetIniString(Path(), "SMTP", "FOLDER", "default"), expected);
}

void PrivateProfileTest::linesThatAreNoKeyOfTheSectionAreNotFound_data()
{
    QTest::addColumn<QByteArray>("file");

    QTest::newRow("key before the first section") << QByteArray("PORT=9\r\n[SMTP]\r\nFOLDER=x\r\n");
    QTest::newRow("key in another section") << QByteArray("[SMTP]\r\nFOLDER=x\r\n[Other]\r\nPORT=9\r\n");
    QTest::newRow("comment line") << QByteArray("[SMTP]\r\n;PORT=9\r\n");
    QTest::newRow("line without an equals sign") << QByteArray("[SMTP]\r\nPORT\r\n");
    QTest::newRow("key name only begins with the name") << QByteArray("[SMTP]\r\nPORTS=9\r\n");
    QTest::newRow("section name only begins with the name") << QByteArray("[SMTPX]\r\nPORT=9\r\n");
}

void PrivateProfileTest::linesThatAreNoKeyOfTheSectionAreNotFound()
{
    QFETCH(QByteArray, file);
    Write(Path(), file);
    QCOMPARE(GetIniString(Path(), "SMTP", "PORT", "25"), QStringLiteral("25"));
}

void PrivateProfileTest::missingFileSectionOrKeyGivesTheDefault_data()
{
    QTest::addColumn<QByteArray>("file"); // "<none>": no file at all
    QTest::addColumn<QString>("defaultValue");

    QTest::newRow("no file") << QByteArray("<none>") << "25";
    QTest::newRow("empty file") << QByteArray() << "25";
    QTest::newRow("no such section") << QByteArray("[Other]\r\nPORT=9\r\n") << "25";
    QTest::newRow("no such key") << QByteArray("[SMTP]\r\nFOLDER=x\r\n") << "25";
    QTest::newRow("empty default") << QByteArray("[SMTP]\r\n") << "";
    QTest::newRow("Japanese default") << QByteArray("[SMTP]\r\n") << QStringLiteral("既定");
}

void PrivateProfileTest::missingFileSectionOrKeyGivesTheDefault()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, defaultValue);
    if (file != "<none>") {
        Write(Path(), file);
    }
    QCOMPARE(GetIniString(Path(), "SMTP", "PORT", defaultValue), defaultValue);
}

void PrivateProfileTest::defaultLosesTrailingBlanks()
{
    QCOMPARE(GetIniString(Path(), "SMTP", "PORT", "25  "), QStringLiteral("25"));
    QCOMPARE(GetIniString(Path(), "SMTP", "PORT", QString(600, u'd')), QString(511, u'd'));
}

void PrivateProfileTest::readsFileWithByteOrderMark()
{
    Write(Path(), "\xEF\xBB\xBF[SMTP]\r\nPORT=7\r\n");
    QCOMPARE(GetIniString(Path(), "SMTP", "PORT", "25"), QStringLiteral("7"));
}

void PrivateProfileTest::longValueIsCutToItsFirst511Bytes_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("read");

    QTest::newRow("510 bytes come back whole") << 510 << 510;
    QTest::newRow("511 bytes come back whole") << 511 << 511;
    QTest::newRow("512 bytes lose the last") << 512 << 511;
    QTest::newRow("2000 bytes give the first 511") << 2000 << 511;
}

void PrivateProfileTest::longValueIsCutToItsFirst511Bytes()
{
    QFETCH(int, stored);
    QFETCH(int, read);
    QByteArray value;
    for (int i = 0; i < stored; ++i) {
        value += char('a' + i % 26);
    }
    Write(Path(), "[SMTP]\r\nFOLDER=" + value + "\r\n");
    QCOMPARE(GetIniString(Path(), "SMTP", "FOLDER", ""), QString::fromLatin1(value.left(read)));
}

void PrivateProfileTest::cutNeverSplitsACharacter_data()
{
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QString>("character");
    QTest::addColumn<QString>("expected");

    // Three-byte characters: 170 of them fill 510 bytes, the 171st would end
    // at byte 513.
    QTest::newRow("three-byte characters only") << QString() << QStringLiteral("あ")
                                                << QString(170, u'あ');
    QTest::newRow("one byte in front: exactly 511 bytes")
        << QStringLiteral("a") << QStringLiteral("あ") << QStringLiteral("a") + QString(170, u'あ');
    QTest::newRow("two bytes in front: the 170th would end at byte 512")
        << QStringLiteral("ab") << QStringLiteral("あ") << QStringLiteral("ab") + QString(169, u'あ');
    QString emoji;
    for (int i = 0; i < 127; ++i) {
        emoji += QStringLiteral("😀");
    }
    QTest::newRow("four-byte characters: 127 fill 508 bytes") << QString() << QStringLiteral("😀") << emoji;
    QTest::newRow("two-byte characters: 255 fill 510 bytes") << QString() << QStringLiteral("é")
                                                            << QString(255, u'é');
}

void PrivateProfileTest::cutNeverSplitsACharacter()
{
    QFETCH(QString, prefix);
    QFETCH(QString, character);
    QFETCH(QString, expected);
    QString value = prefix;
    for (int i = 0; i < 300; ++i) {
        value += character;
    }
    Write(Path(), "[SMTP]\r\nFOLDER=" + value.toUtf8() + "\r\n");
    const QString read = GetIniString(Path(), "SMTP", "FOLDER", "");
    QCOMPARE(read, expected);
    QVERIFY(read.toUtf8().size() <= 511);
    QVERIFY(!read.contains(QChar::ReplacementCharacter));
}

// ---- writing --------------------------------------------------------------

void PrivateProfileTest::firstSaveCreatesFileWithSectionAndKey()
{
    PutIniString(Path(), "SMTP", "PORT", "25");
    QCOMPARE(Read(Path()), QByteArray("[SMTP]\r\nPORT=25\r\n"));
    PutIniString(Path(), "SMTP", "FOLDER", "/srv/mail");
    QCOMPARE(Read(Path()), QByteArray("[SMTP]\r\nPORT=25\r\nFOLDER=/srv/mail\r\n"));
}

void PrivateProfileTest::valueIsWrittenVerbatim()
{
    PutIniString(Path(), "SMTP", "FOLDER", "  \"/srv/メール\" ");
    QCOMPARE(Read(Path()), QByteArray("[SMTP]\r\nFOLDER=  \"/srv/\xE3\x83\xA1\xE3\x83\xBC\xE3\x83\xAB\" \r\n"));
    PutIniString(Path(), "SMTP", "FOLDER", "");
    QCOMPARE(Read(Path()), QByteArray("[SMTP]\r\nFOLDER=\r\n"));
}

void PrivateProfileTest::keyIsReplacedInPlaceKeepingEverythingElse()
{
    const QByteArray before = "; settings of Larkspur\r\n"
                              "\r\n"
                              "[Window]\r\n"
                              "Left = 100\n"
                              "PORT=1\r\n"
                              "\r\n"
                              "[smtp]\r\n"
                              "Folder = \"/srv/mail\"\r\n"
                              "; the port\n"
                              "  Port = 25   \r\n"
                              "EXTRA=keep me\n"
                              "PORT=99\r\n"
                              "\r\n"
                              "[Last]\r\n"
                              "x=y";
    Write(Path(), before);
    PutIniString(Path(), "SMTP", "PORT", "2525");
    const QByteArray after = "; settings of Larkspur\r\n"
                             "\r\n"
                             "[Window]\r\n"
                             "Left = 100\n"
                             "PORT=1\r\n"
                             "\r\n"
                             "[smtp]\r\n"
                             "Folder = \"/srv/mail\"\r\n"
                             "; the port\n"
                             "Port=2525\r\n"
                             "EXTRA=keep me\n"
                             "PORT=99\r\n"
                             "\r\n"
                             "[Last]\r\n"
                             "x=y";
    QCOMPARE(Read(Path()), after);
    QCOMPARE(GetIniString(Path(), "SMTP", "PORT", "25"), QStringLiteral("2525"));
}

void PrivateProfileTest::replacedKeyKeepsItsLineEnd()
{
    Write(Path(), "[SMTP]\nPORT=25\nFOLDER=x");
    PutIniString(Path(), "SMTP", "PORT", "26");
    PutIniString(Path(), "SMTP", "FOLDER", "y");
    QCOMPARE(Read(Path()), QByteArray("[SMTP]\nPORT=26\nFOLDER=y"));
}

void PrivateProfileTest::missingKeyIsAppendedAtTheEndOfItsSection()
{
    Write(Path(), "[SMTP]\r\nPORT=25\r\n; end of SMTP\r\n\r\n\r\n[Other]\nA=1\n");
    PutIniString(Path(), "SMTP", "SOUND", "1");
    QCOMPARE(Read(Path()), QByteArray("[SMTP]\r\nPORT=25\r\n; end of SMTP\r\nSOUND=1\r\n\r\n\r\n[Other]\nA=1\n"));

    Write(Path(), "[SMTP]\n[Other]\nA=1\n");
    PutIniString(Path(), "smtp", "PORT", "25");
    QCOMPARE(Read(Path()), QByteArray("[SMTP]\nPORT=25\r\n[Other]\nA=1\n"));
}

void PrivateProfileTest::missingKeyInLastSectionWithoutFinalLineEnd()
{
    Write(Path(), "[SMTP]\nPORT=25");
    PutIniString(Path(), "SMTP", "FOLDER", "/srv");
    QCOMPARE(Read(Path()), QByteArray("[SMTP]\nPORT=25\r\nFOLDER=/srv\r\n"));
}

void PrivateProfileTest::missingSectionIsAppendedToTheFile()
{
    Write(Path(), "; mine\n[Other]\nA=1\n\n");
    PutIniString(Path(), "SMTP", "PORT", "25");
    QCOMPARE(Read(Path()), QByteArray("; mine\n[Other]\nA=1\n\n[SMTP]\r\nPORT=25\r\n"));
}

void PrivateProfileTest::missingSectionAfterLastLineWithoutLineEnd()
{
    Write(Path(), "[Other]\nA=1");
    PutIniString(Path(), "SMTP", "PORT", "25");
    QCOMPARE(Read(Path()), QByteArray("[Other]\nA=1\r\n[SMTP]\r\nPORT=25\r\n"));
}

void PrivateProfileTest::saveKeepsByteOrderMark()
{
    Write(Path(), "\xEF\xBB\xBF[SMTP]\r\nPORT=7\r\n");
    PutIniString(Path(), "SMTP", "PORT", "8");
    QCOMPARE(Read(Path()), QByteArray("\xEF\xBB\xBF[SMTP]\r\nPORT=8\r\n"));
}

void PrivateProfileTest::writtenValueReadsBack_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");

    QTest::newRow("plain") << "/srv/mail" << "/srv/mail";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("Japanese") << QStringLiteral("/home/太郎/メール") << QStringLiteral("/home/太郎/メール");
    QTest::newRow("blanks around are lost on reading") << "  x  "
                                                       << "x";
    QTest::newRow("enclosing quotes are lost on reading") << "\"x\""
                                                          << "x";
}

void PrivateProfileTest::writtenValueReadsBack()
{
    QFETCH(QString, value);
    QFETCH(QString, expected);
    PutIniString(Path(), "SMTP", "FOLDER", value);
    QCOMPARE(GetIniString(Path(), "SMTP", "FOLDER", "default"), expected);
}

// ---- failed saves ---------------------------------------------------------
// Tests run as root, so a target is made unwritable by its shape, not by
// its permissions.

void PrivateProfileTest::saveIntoFolderThatIsAFileChangesNothing()
{
    const QByteArray old = "[SMTP]\r\nPORT=25\r\n";
    Write(Path(), old);
    PutIniString(Path() + QDir::separator() + "Larkspur.ini", "SMTP", "PORT", "26");
    QCOMPARE(Read(Path()), old);
    QCOMPARE(QDir(dir_->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{"Larkspur.ini"});
}

void PrivateProfileTest::saveIntoMissingFolderCreatesNothing()
{
    const QString path = Path("missing") + QDir::separator() + "Larkspur.ini";
    PutIniString(path, "SMTP", "PORT", "26");
    QVERIFY(!QFile::exists(path));
    QVERIFY(QDir(dir_->path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
}

void PrivateProfileTest::saveOverAFolderLeavesItAlone()
{
    QVERIFY(QDir(dir_->path()).mkdir("Larkspur.ini"));
    const QString inside = Path("Larkspur.ini") + QDir::separator() + "keep.txt";
    Write(inside, "keep");
    PutIniString(Path(), "SMTP", "PORT", "26");
    QVERIFY(QFileInfo(Path()).isDir());
    QCOMPARE(Read(inside), QByteArray("keep"));
    QCOMPARE(QDir(dir_->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{"Larkspur.ini"});
}

void PrivateProfileTest::saveThatFailsWhileWritingLeavesOldFileWhole()
{
    // A file-size limit makes the write of the new content fail half-way,
    // as a full disk would.
    const QByteArray old = "; old\r\n[SMTP]\r\nPORT=25\r\nFOLDER=/srv/mail\r\n";
    Write(Path(), old);

    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    PutIniString(Path(), "SMTP", "FOLDER", QString(20000, u'x'));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    QCOMPARE(Read(Path()), old);
    QCOMPARE(QDir(dir_->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{"Larkspur.ini"});
}

QTEST_GUILESS_MAIN(PrivateProfileTest)
#include "tst_private_profile.moc"
