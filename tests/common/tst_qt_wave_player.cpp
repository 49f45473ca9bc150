#include "ChimeSound.h"
#include "QtWavePlayer.h"

#include <QFile>
#include <QSoundEffect>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

// The real player where it can be checked without ears: the chime it
// carries, and the source it gives QSoundEffect. With no audio device the
// effect loads and "plays" silently; nothing here depends on hearing it.
class QtWavePlayerTest : public QObject {
    Q_OBJECT
private slots:
    void chimeIsAValidPcmWav();
    void chimeIsShortAudibleAndEndsInSilence();
    void chimeLoadsInQSoundEffect();
    void fileIsGivenToTheEffect();
    void newCallReplacesTheSoundPlaying();
    void unplayableFileFallsBackToTheChime();
    void chimeCallPlaysTheChime();

private:
    static quint32 U32(const QByteArray& bytes, int at) { return qFromLittleEndian<quint32>(bytes.constData() + at); }
    static quint16 U16(const QByteArray& bytes, int at) { return qFromLittleEndian<quint16>(bytes.constData() + at); }
};

void QtWavePlayerTest::chimeIsAValidPcmWav()
{
    const QByteArray wav = ChimeWav();
    const QByteArray samples = ChimeSamples();
    QVERIFY(samples.size() > 0);
    QCOMPARE(wav.size(), 44 + samples.size());
    QCOMPARE(wav.left(4), QByteArray("RIFF"));
    QCOMPARE(U32(wav, 4), quint32(wav.size() - 8));
    QCOMPARE(wav.mid(8, 4), QByteArray("WAVE"));
    QCOMPARE(wav.mid(12, 4), QByteArray("fmt "));
    QCOMPARE(U32(wav, 16), 16u);    // PCM format block
    QCOMPARE(U16(wav, 20), 1);      // PCM
    QCOMPARE(U16(wav, 22), 1);      // mono
    QCOMPARE(U32(wav, 24), 22050u); // samples per second
    QCOMPARE(U32(wav, 28), 44100u); // bytes per second
    QCOMPARE(U16(wav, 32), 2);      // block align
    QCOMPARE(U16(wav, 34), 16);     // bits per sample
    QCOMPARE(wav.mid(36, 4), QByteArray("data"));
    QCOMPARE(U32(wav, 40), quint32(samples.size()));
    QCOMPARE(wav.mid(44), samples);
    QCOMPARE(samples.size() % 2, 0);
    QCOMPARE(ChimeWav(), wav); // the same every time
}

void QtWavePlayerTest::chimeIsShortAudibleAndEndsInSilence()
{
    const QByteArray samples = ChimeSamples();
    const int count = samples.size() / 2;
    const double seconds = double(count) / ChimeFormat::SampleRate;
    QVERIFY2(seconds >= 0.3 && seconds <= 1.0, qPrintable(QString::number(seconds)));

    int peak = 0;
    for (int i = 0; i < count; ++i) {
        peak = std::max(peak, std::abs(int(qFromLittleEndian<qint16>(samples.constData() + 2 * i))));
    }
    QVERIFY2(peak > 32767 / 10, "loud enough to hear");
    QVERIFY2(peak < 32767 / 2, "soft enough not to startle or clip");

    const auto first = qFromLittleEndian<qint16>(samples.constData());
    const auto last = qFromLittleEndian<qint16>(samples.constData() + samples.size() - 2);
    QVERIFY(std::abs(int(first)) < 100); // no click at either end
    QVERIFY(std::abs(int(last)) < 100);
}

void QtWavePlayerTest::chimeLoadsInQSoundEffect()
{
    QtWavePlayer player;
    const QUrl chime = player.ChimeUrl();
    QVERIFY(chime.isLocalFile());
    QFile file(chime.toLocalFile());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), ChimeWav());

    QSoundEffect effect;
    effect.setSource(chime);
    QTRY_VERIFY_WITH_TIMEOUT(effect.status() == QSoundEffect::Ready || effect.status() == QSoundEffect::Error,
                             10000);
    QCOMPARE(effect.status(), QSoundEffect::Ready);
}

void QtWavePlayerTest::fileIsGivenToTheEffect()
{
    QtWavePlayer player;
    QTemporaryDir dir;
    const QString path = dir.filePath("new.wav");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(ChimeWav());
    file.close();

    player.PlayFile(path);
    QCOMPARE(player.CurrentSource(), QUrl::fromLocalFile(path));
    QTest::qWait(200); // a playable file stays the one being played
    QCOMPARE(player.CurrentSource(), QUrl::fromLocalFile(path));
}

void QtWavePlayerTest::newCallReplacesTheSoundPlaying()
{
    QtWavePlayer player;
    QTemporaryDir dir;
    QStringList paths;
    for (const char* name : {"first.wav", "second.wav"}) {
        paths.append(dir.filePath(name));
        QFile file(paths.constLast());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(ChimeWav());
    }
    player.PlayFile(paths[0]);
    player.PlayFile(paths[1]);
    QCOMPARE(player.CurrentSource(), QUrl::fromLocalFile(paths[1]));
}

void QtWavePlayerTest::unplayableFileFallsBackToTheChime()
{
    QtWavePlayer player;
    QTemporaryDir dir;
    const QString notWav = dir.filePath("notes.wav");
    QFile file(notWav);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("this is no sound\r\n");
    file.close();

    player.PlayFile(notWav);
    QTRY_COMPARE_WITH_TIMEOUT(player.CurrentSource(), player.ChimeUrl(), 10000);
}

void QtWavePlayerTest::chimeCallPlaysTheChime()
{
    QtWavePlayer player;
    player.PlayChime();
    QCOMPARE(player.CurrentSource(), player.ChimeUrl());
}

QTEST_GUILESS_MAIN(QtWavePlayerTest)
#include "tst_qt_wave_player.moc"
