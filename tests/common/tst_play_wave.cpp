#include "WavePlayer.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Records what would have been played, in order. The sound "now playing" is
// the last one: every call replaces the one before.
class RecordingWavePlayer : public WavePlayer {
public:
    struct Played {
        bool chime = false;
        QString path; // empty for the chime

        friend bool operator==(const Played&, const Played&) = default;
    };

    void PlayFile(const QString& path) override { played.append({false, path}); }
    void PlayChime() override { played.append({true, QString()}); }

    Played NowPlaying() const { return played.isEmpty() ? Played{} : played.constLast(); }

    QList<Played> played;
};

} // namespace

class PlayWaveTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void existingFileIsPlayed();
    void pathOfNoFileGivesTheChime_data();
    void pathOfNoFileGivesTheChime();
    void secondCallReplacesTheFirst();

private:
    QString MakeFile(const QString& name);

    std::unique_ptr<QTemporaryDir> dir_;
    RecordingWavePlayer player_;
};

void PlayWaveTest::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    player_.played.clear();
}

QString PlayWaveTest::MakeFile(const QString& name)
{
    const QString path = dir_->filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write("RIFF");
    }
    return path;
}

void PlayWaveTest::existingFileIsPlayed()
{
    const QString path = MakeFile(QStringLiteral("着信.wav"));
    PlayWave(player_, path);
    QCOMPARE(player_.played, (QList<RecordingWavePlayer::Played>{{false, path}}));
}

void PlayWaveTest::pathOfNoFileGivesTheChime_data()
{
    QTest::addColumn<QString>("name"); // inside the test folder; "" the empty path
    QTest::newRow("missing file") << "missing.wav";
    QTest::newRow("a folder") << ".";
    QTest::newRow("empty path") << "";
}

void PlayWaveTest::pathOfNoFileGivesTheChime()
{
    QFETCH(QString, name);
    const QString path = name.isEmpty() ? QString() : dir_->filePath(name);
    PlayWave(player_, path);
    QCOMPARE(player_.played, (QList<RecordingWavePlayer::Played>{{true, QString()}}));
}

void PlayWaveTest::secondCallReplacesTheFirst()
{
    const QString first = MakeFile(QStringLiteral("first.wav"));
    const QString second = MakeFile(QStringLiteral("second.wav"));
    PlayWave(player_, first);
    PlayWave(player_, second);
    QCOMPARE(player_.played.size(), 2);
    QCOMPARE(player_.NowPlaying(), (RecordingWavePlayer::Played{false, second}));
    PlayWave(player_, dir_->filePath(QStringLiteral("gone.wav")));
    QCOMPARE(player_.NowPlaying(), (RecordingWavePlayer::Played{true, QString()}));
}

QTEST_GUILESS_MAIN(PlayWaveTest)
#include "tst_play_wave.moc"
