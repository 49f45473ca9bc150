#include "PathJoin.h"
#include "SettingsFile.h"
#include "SettingsLocation.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class SettingsFileTest : public QObject {
    Q_OBJECT
private slots:
    void init();

    void pathIsFolderSeparatorBaseNameIni_data();
    void pathIsFolderSeparatorBaseNameIni();
    void pathOfTheRunningProgram();
    void fileStaysBesideTheProgramOnlyForPortableUse_data();
    void fileStaysBesideTheProgramOnlyForPortableUse();
    void saveCreatesTheConfigurationFolder();

    void firstRunGivesTheDefaults();
    void firstSaveWritesSectionAndFiveKeysInOrder();
    void saveThenLoadGivesTheSameValues_data();
    void saveThenLoadGivesTheSameValues();
    void keysInAnotherOrderAndOtherContentSurviveASave();
    void soundOnWithoutWavFileLoadsOffAndSavesZero_data();
    void soundOnWithoutWavFileLoadsOffAndSavesZero();
    void switchTextsLoadAsDefinedValues_data();
    void switchTextsLoadAsDefinedValues();
    void portIsKeptAsTyped();
    void longFolderIsCutTo511Bytes();
    void largeFileIsReadOnceForALoadAndOnceForASave();

    void soundSwitchRule_data();
    void soundSwitchRule();

private:
    QString Path() const { return dir_->filePath(QStringLiteral("Larkspur.ini")); }
    void Write(const QByteArray& bytes) const;
    QByteArray Read() const;

    std::unique_ptr<QTemporaryDir> dir_;
};

void SettingsFileTest::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
}

void SettingsFileTest::Write(const QByteArray& bytes) const
{
    QFile file(Path());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray SettingsFileTest::Read() const
{
    QFile file(Path());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void SettingsFileTest::pathIsFolderSeparatorBaseNameIni_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("baseName");
    QTest::addColumn<QString>("expected"); // "|" stands for the native separator

    QTest::newRow("usual program folder") << "/opt/lark" << "Larkspur" << "/opt/lark|Larkspur.ini";
    QTest::newRow("program renamed") << "/opt/lark" << "Spur2" << "/opt/lark|Spur2.ini";
    QTest::newRow("folder ending in a separator gives a doubled one") << "/opt/lark/" << "Larkspur"
                                                                      << "/opt/lark/|Larkspur.ini";
    QTest::newRow("program in the root") << "/" << "Larkspur" << "/|Larkspur.ini";
    QTest::newRow("Japanese folder") << QStringLiteral("/opt/ラーク") << "Larkspur"
                                     << QStringLiteral("/opt/ラーク|Larkspur.ini");
}

void SettingsFileTest::pathIsFolderSeparatorBaseNameIni()
{
    QFETCH(QString, folder);
    QFETCH(QString, baseName);
    QFETCH(QString, expected);
    expected.replace(u'|', QDir::separator());
    QCOMPARE(SettingsPath(folder, baseName), expected);
}

void SettingsFileTest::pathOfTheRunningProgram()
{
    QCOMPARE(SettingsPath(), ProgramFolder() + QDir::separator() + "tst_settings_file.ini");
}

void SettingsFileTest::fileStaysBesideTheProgramOnlyForPortableUse_data()
{
    QTest::addColumn<bool>("writable");
    QTest::addColumn<bool>("fileBeside");
    QTest::addColumn<QString>("expected"); // "<program>" and "<config>" stand for the two folders

    QTest::newRow("writable folder") << true << false << "<program>/Larkspur.ini";
    QTest::newRow("read-only folder with the file beside") << false << true << "<program>/Larkspur.ini";
    QTest::newRow("read-only folder without one") << false << false << "<config>/Larkspur/Larkspur.ini";
}

void SettingsFileTest::fileStaysBesideTheProgramOnlyForPortableUse()
{
    QFETCH(bool, writable);
    QFETCH(bool, fileBeside);
    QFETCH(QString, expected);
    if (fileBeside) {
        Write("[SMTP]\r\n");
    }
    const QString program = dir_->path();
    const QString config = QStringLiteral("/home/someone/.config");
    const auto folderWritable = [&](const QString& folder) { return folder == program && writable; };
    expected.replace(QStringLiteral("<program>"), program).replace(QStringLiteral("<config>"), config);
    QCOMPARE(SettingsFileLocation(program, QStringLiteral("Larkspur.ini"), config, folderWritable),
             QDir::toNativeSeparators(expected));
    QVERIFY(ProgramFolderWritable(program));
}

void SettingsFileTest::saveCreatesTheConfigurationFolder()
{
    const QString path = dir_->filePath(QStringLiteral("config/Larkspur/Larkspur.ini"));
    SaveSettings(path, ReceiverSettings());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), "[SMTP]\r\nPORT=25\r\nFOLDER=\r\nWAVFILE=\r\nDIALOG=0\r\nSOUND=0\r\n");
}

void SettingsFileTest::firstRunGivesTheDefaults()
{
    const ReceiverSettings loaded = LoadSettings(Path());
    QCOMPARE(loaded.port, QStringLiteral("25"));
    QCOMPARE(loaded.folder, QString());
    QCOMPARE(loaded.wavFile, QString());
    QCOMPARE(loaded.dialog, 0);
    QCOMPARE(loaded.sound, 0);
    QVERIFY(!QFile::exists(Path())); // loading never creates the file
}

void SettingsFileTest::firstSaveWritesSectionAndFiveKeysInOrder()
{
    ReceiverSettings settings;
    settings.port = "2525";
    settings.folder = "/srv/mail";
    settings.wavFile = "/usr/share/sounds/new.wav";
    settings.dialog = 1;
    settings.sound = 1;
    SaveSettings(Path(), settings);
    QCOMPARE(Read(), QByteArray("[SMTP]\r\n"
                                "PORT=2525\r\n"
                                "FOLDER=/srv/mail\r\n"
                                "WAVFILE=/usr/share/sounds/new.wav\r\n"
                                "DIALOG=1\r\n"
                                "SOUND=1\r\n"));
}

void SettingsFileTest::saveThenLoadGivesTheSameValues_data()
{
    QTest::addColumn<ReceiverSettings>("settings");

    QTest::newRow("defaults") << ReceiverSettings{};
    QTest::newRow("everything on") << ReceiverSettings{"587", "/srv/mail", "/snd/a.wav", 1, 1};
    QTest::newRow("grayed switches") << ReceiverSettings{"25", "/srv/mail", "/snd/a.wav", 2, 2};
    QTest::newRow("Japanese paths") << ReceiverSettings{"25", QStringLiteral("/home/太郎/受信"),
                                                        QStringLiteral("/home/太郎/着信音.wav"), 0, 1};
    QTest::newRow("blanks inside paths") << ReceiverSettings{"25", "/srv/my mail", "/snd/my sound.wav", 1, 0};
}

void SettingsFileTest::saveThenLoadGivesTheSameValues()
{
    QFETCH(ReceiverSettings, settings);
    SaveSettings(Path(), settings);
    QCOMPARE(LoadSettings(Path()), settings);
    // A second save over the first changes nothing.
    const QByteArray first = Read();
    SaveSettings(Path(), settings);
    QCOMPARE(Read(), first);
}

void SettingsFileTest::keysInAnotherOrderAndOtherContentSurviveASave()
{
    Write("; written by hand\n"
          "[Viewer]\n"
          "Interval=2\n"
          "[smtp]\n"
          "sound=1\n"
          "Extra=keep\n"
          "wavfile=/snd/old.wav\n"
          "Folder=/srv/old\n"
          "port=26\n"
          "\n"
          "[After]\n"
          "PORT=1\n");
    const ReceiverSettings loaded = LoadSettings(Path());
    QCOMPARE(loaded, (ReceiverSettings{"26", "/srv/old", "/snd/old.wav", 0, 1}));

    SaveSettings(Path(), ReceiverSettings{"2525", "/srv/new", "/snd/new.wav", 1, 1});
    QCOMPARE(Read(), QByteArray("; written by hand\n"
                                "[Viewer]\n"
                                "Interval=2\n"
                                "[smtp]\n"
                                "sound=1\n"
                                "Extra=keep\n"
                                "wavfile=/snd/new.wav\n"
                                "Folder=/srv/new\n"
                                "port=2525\n"
                                "DIALOG=1\r\n"
                                "\n"
                                "[After]\n"
                                "PORT=1\n"));
}

void SettingsFileTest::soundOnWithoutWavFileLoadsOffAndSavesZero_data()
{
    QTest::addColumn<QByteArray>("file");

    QTest::newRow("WAVFILE absent") << QByteArray("[SMTP]\r\nFOLDER=/srv\r\nSOUND=1\r\n");
    QTest::newRow("WAVFILE empty") << QByteArray("[SMTP]\r\nWAVFILE=\r\nSOUND=1\r\n");
    QTest::newRow("WAVFILE only blanks") << QByteArray("[SMTP]\r\nWAVFILE=   \r\nSOUND=1\r\n");
    QTest::newRow("WAVFILE empty quotes") << QByteArray("[SMTP]\r\nWAVFILE=\"\"\r\nSOUND=1\r\n");
    QTest::newRow("SOUND grayed") << QByteArray("[SMTP]\r\nWAVFILE=\r\nSOUND=2\r\n");
}

void SettingsFileTest::soundOnWithoutWavFileLoadsOffAndSavesZero()
{
    QFETCH(QByteArray, file);
    Write(file);
    const ReceiverSettings loaded = LoadSettings(Path());
    QCOMPARE(loaded.wavFile, QString());
    QCOMPARE(loaded.sound, 0);
    SaveSettings(Path(), loaded);
    QVERIFY2(Read().contains("SOUND=0\r\n"), Read().constData());
    QCOMPARE(LoadSettings(Path()).sound, 0);
}

void SettingsFileTest::switchTextsLoadAsDefinedValues_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("expected");

    QTest::newRow("1 is on") << QByteArray("1") << 1;
    QTest::newRow("2 is grayed") << QByteArray("2") << 2;
    QTest::newRow("0 is off") << QByteArray("0") << 0;
    QTest::newRow("empty text is off") << QByteArray("") << 0;
    QTest::newRow("a word is off") << QByteArray("abc") << 0;
    QTest::newRow("another number is off") << QByteArray("7") << 0;
    QTest::newRow("a negative number is off") << QByteArray("-1") << 0;
    QTest::newRow("a number with letters behind is off") << QByteArray("1abc") << 0;
    QTest::newRow("a fraction is off") << QByteArray("1.5") << 0;
    QTest::newRow("a huge number is off") << QByteArray("99999999999999999999") << 0;
    QTest::newRow("leading zero still 1") << QByteArray("01") << 1;
    QTest::newRow("blanks around still 1") << QByteArray("  1  ") << 1;
    QTest::newRow("quoted 1") << QByteArray("\"1\"") << 1;
}

void SettingsFileTest::switchTextsLoadAsDefinedValues()
{
    QFETCH(QByteArray, text);
    QFETCH(int, expected);
    Write("[SMTP]\r\nWAVFILE=/snd/a.wav\r\nDIALOG=" + text + "\r\nSOUND=" + text + "\r\n");
    const ReceiverSettings loaded = LoadSettings(Path());
    QCOMPARE(loaded.dialog, expected);
    QCOMPARE(loaded.sound, expected);
}

void SettingsFileTest::portIsKeptAsTyped()
{
    SaveSettings(Path(), ReceiverSettings{"25a", "", "", 0, 0});
    QCOMPARE(LoadSettings(Path()).port, QStringLiteral("25a"));
}

void SettingsFileTest::longFolderIsCutTo511Bytes()
{
    const QString folder = "/" + QString(600, u'f');
    SaveSettings(Path(), ReceiverSettings{"25", folder, "", 0, 0});
    QCOMPARE(LoadSettings(Path()).folder, folder.left(511));
}

namespace {

// Bytes this process has read and written through system calls so far.
QPair<qint64, qint64> BytesReadAndWritten()
{
    QFile io(QStringLiteral("/proc/self/io"));
    qint64 read = -1;
    qint64 written = -1;
    if (io.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : io.readAll().split('\n')) {
            if (line.startsWith("rchar: ")) {
                read = line.mid(7).toLongLong();
            } else if (line.startsWith("wchar: ")) {
                written = line.mid(7).toLongLong();
            }
        }
    }
    return {read, written};
}

} // namespace

void SettingsFileTest::largeFileIsReadOnceForALoadAndOnceForASave()
{
    if (!QFile::exists(QStringLiteral("/proc/self/io"))) {
        QSKIP("needs the kernel's per-process I/O counters");
    }
    QByteArray content = "[SMTP]\r\n";
    for (int i = 0; content.size() < (4 << 20); ++i) {
        content += "K" + QByteArray::number(i) + "=v\r\n";
    }
    content += "FOLDER=/srv/mail\r\nSOUND=1\r\nWAVFILE=/a.wav\r\n";
    Write(content);
    const qint64 size = content.size();

    const auto beforeLoad = BytesReadAndWritten();
    const ReceiverSettings loaded = LoadSettings(Path());
    const auto afterLoad = BytesReadAndWritten();
    QCOMPARE(loaded, (ReceiverSettings{"25", "/srv/mail", "/a.wav", 0, 1}));
    QVERIFY(afterLoad.first - beforeLoad.first >= size);
    QVERIFY2(afterLoad.first - beforeLoad.first < 2 * size, "the file was read more than once");

    SaveSettings(Path(), ReceiverSettings{"26", "/srv/mail", "/a.wav", 0, 1});
    const auto afterSave = BytesReadAndWritten();
    QVERIFY2(afterSave.first - afterLoad.first < 2 * size, "the file was read more than once");
    QVERIFY2(afterSave.second - afterLoad.second < 2 * size, "the file was written more than once");
    QCOMPARE(Read(), content + "PORT=26\r\nDIALOG=0\r\n");
}

void SettingsFileTest::soundSwitchRule_data()
{
    QTest::addColumn<QString>("wavText");
    QTest::addColumn<int>("sound");
    QTest::addColumn<int>("expected");

    QTest::newRow("empty path turns on off") << "" << 1 << 0;
    QTest::newRow("empty path turns grayed off") << "" << 2 << 0;
    QTest::newRow("empty path leaves off off") << "" << 0 << 0;
    QTest::newRow("a path leaves on on") << "/snd/a.wav" << 1 << 1;
    QTest::newRow("a path leaves grayed grayed") << "/snd/a.wav" << 2 << 2;
    QTest::newRow("a path leaves off off") << "/snd/a.wav" << 0 << 0;
    QTest::newRow("a path of no file is accepted") << "/no/such.wav" << 1 << 1;
    QTest::newRow("a blank is a path") << " " << 1 << 1;
}

void SettingsFileTest::soundSwitchRule()
{
    QFETCH(QString, wavText);
    QFETCH(int, sound);
    QFETCH(int, expected);
    QCOMPARE(SoundSwitchAllowed(wavText), !wavText.isEmpty());
    QCOMPARE(SoundSwitchAfterRule(wavText, sound), expected);
    ReceiverSettings settings;
    settings.wavFile = wavText;
    settings.sound = sound;
    ApplySoundSwitchRule(settings);
    QCOMPARE(settings.sound, expected);
}

QTEST_GUILESS_MAIN(SettingsFileTest)
#include "tst_settings_file.moc"
