#include "QtWavePlayer.h"

#include "ChimeSound.h"

#include <QDir>

QtWavePlayer::QtWavePlayer(QObject* parent)
    : QObject(parent),
      chimeFile_(QDir::tempPath() + QStringLiteral("/lark-chime-XXXXXX.wav"))
{
    // Queued: the fallback starts a new sound, which is not done from inside
    // QSoundEffect's own signal. The slot looks at the state of the moment.
    connect(&effect_, &QSoundEffect::statusChanged, this, &QtWavePlayer::OnStatusChanged,
            Qt::QueuedConnection);
}

QtWavePlayer::~QtWavePlayer()
{
    effect_.stop();
}

void QtWavePlayer::PlayFile(const QString& path)
{
    Start(QUrl::fromLocalFile(path));
}

void QtWavePlayer::PlayChime()
{
    const QUrl chime = ChimeUrl();
    if (chime.isEmpty()) {
        effect_.stop();
        return;
    }
    Start(chime);
}

QUrl QtWavePlayer::CurrentSource() const
{
    return effect_.source();
}

void QtWavePlayer::Start(const QUrl& source)
{
    effect_.stop();
    effect_.setSource(source);
    effect_.play(); // starts when loaded, if it is still loading
}

void QtWavePlayer::OnStatusChanged()
{
    // A file that cannot be played falls back to the chime, once: a chime
    // that fails too (no audio output) stays silent.
    if (effect_.status() == QSoundEffect::Error && effect_.source() != chimeUrl_) {
        PlayChime();
    }
}

QUrl QtWavePlayer::ChimeUrl()
{
    if (chimeUrl_.isEmpty() && chimeFile_.open()) {
        const QByteArray wav = ChimeWav();
        if (chimeFile_.write(wav) == wav.size() && chimeFile_.flush()) {
            chimeUrl_ = QUrl::fromLocalFile(chimeFile_.fileName());
        }
        chimeFile_.close();
    }
    return chimeUrl_;
}
