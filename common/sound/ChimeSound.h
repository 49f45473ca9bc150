#pragma once

#include <QByteArray>

// The default sound the program carries: a short two-tone chime, computed
// here as 16-bit mono PCM and wrapped in a WAV (RIFF) file image.
struct ChimeFormat {
    static constexpr int SampleRate = 22050;
    static constexpr int Channels = 1;
    static constexpr int BitsPerSample = 16;
    static constexpr int HeaderSize = 44;
};

// The PCM samples alone (little-endian signed 16-bit).
QByteArray ChimeSamples();
// A whole WAV file: the 44-byte header, then ChimeSamples().
QByteArray ChimeWav();
