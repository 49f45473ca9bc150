#pragma once

#include <QString>

// Asynchronous sound. The real player is
// QtWavePlayer in lark_sound; tests use a recording fake.
class WavePlayer {
public:
    virtual ~WavePlayer() = default;
    // Both return at once; a sound still playing from an earlier call is
    // stopped and the new one starts. A file that cannot be played gives
    // the chime.
    virtual void PlayFile(const QString& path) = 0;
    // The program's own short default sound.
    virtual void PlayChime() = 0;
};

// Plays the WAV file, or the default chime when the path names no readable
// file. Reports nothing and never waits for the sound.
void PlayWave(WavePlayer& player, const QString& path);
