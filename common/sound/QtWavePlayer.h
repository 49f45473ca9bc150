#pragma once

#include "WavePlayer.h"

#include <QObject>
#include <QSoundEffect>
#include <QTemporaryFile>
#include <QUrl>

// The real player: one QSoundEffect for the whole program (create one
// QtWavePlayer and hand it to whoever plays). A new call stops the sound
// still playing and starts the new one at once; a file that QSoundEffect
// cannot play gives the chime. Without an audio device nothing is heard and
// nothing fails.
class QtWavePlayer : public QObject, public WavePlayer {
    Q_OBJECT
public:
    explicit QtWavePlayer(QObject* parent = nullptr);
    ~QtWavePlayer() override;

    void PlayFile(const QString& path) override;
    void PlayChime() override;

    // What the effect was last given to play (for tests and diagnostics).
    QUrl CurrentSource() const;
    // The chime, written once to a temporary WAV file that lives as long as
    // the player; empty when it could not be written.
    QUrl ChimeUrl();

private:
    void Start(const QUrl& source);
    void OnStatusChanged();

    QSoundEffect effect_;
    QTemporaryFile chimeFile_;
    QUrl chimeUrl_;
};
