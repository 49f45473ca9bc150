#include "ChimeSound.h"

#include <QtEndian>

#include <cmath>
#include <numbers>

namespace {

struct Note {
    double frequency; // Hz
    double seconds;
};

// A falling major third, E5 then C5, as a door chime rings.
constexpr Note Notes[] = {{659.25, 0.18}, {523.25, 0.42}};
constexpr double Loudness = 0.35;     // of full scale, so it never clips
constexpr double AttackSeconds = 0.005;
constexpr double ReleaseSeconds = 0.02;

// One bell-like note: the tone with a little of its octave, a quick rise,
// an exponential fall, and a short fade to silence so it ends without a click.
void AppendNote(QByteArray& samples, const Note& note)
{
    const int count = int(note.seconds * ChimeFormat::SampleRate);
    const int attack = int(AttackSeconds * ChimeFormat::SampleRate);
    const int release = int(ReleaseSeconds * ChimeFormat::SampleRate);
    const double decay = 4.0 / note.seconds;
    for (int i = 0; i < count; ++i) {
        const double t = double(i) / ChimeFormat::SampleRate;
        const double phase = 2.0 * std::numbers::pi * note.frequency * t;
        double envelope = std::exp(-decay * t);
        if (i < attack) {
            envelope *= double(i) / attack;
        }
        if (i >= count - release) {
            envelope *= double(count - 1 - i) / release;
        }
        const double value = Loudness * envelope * (0.8 * std::sin(phase) + 0.2 * std::sin(2.0 * phase));
        const auto sample = qint16(std::lround(value * 32767.0));
        char bytes[2];
        qToLittleEndian(sample, bytes);
        samples.append(bytes, 2);
    }
}

void AppendLittle32(QByteArray& out, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

void AppendLittle16(QByteArray& out, quint16 value)
{
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

} // namespace

QByteArray ChimeSamples()
{
    QByteArray samples;
    for (const Note& note : Notes) {
        AppendNote(samples, note);
    }
    return samples;
}

QByteArray ChimeWav()
{
    const QByteArray samples = ChimeSamples();
    constexpr int blockAlign = ChimeFormat::Channels * ChimeFormat::BitsPerSample / 8;

    QByteArray wav;
    wav.reserve(ChimeFormat::HeaderSize + samples.size());
    wav.append("RIFF", 4);
    AppendLittle32(wav, quint32(ChimeFormat::HeaderSize - 8 + samples.size()));
    wav.append("WAVE", 4);
    wav.append("fmt ", 4);
    AppendLittle32(wav, 16); // size of the PCM format block
    AppendLittle16(wav, 1);  // PCM
    AppendLittle16(wav, ChimeFormat::Channels);
    AppendLittle32(wav, ChimeFormat::SampleRate);
    AppendLittle32(wav, ChimeFormat::SampleRate * blockAlign);
    AppendLittle16(wav, blockAlign);
    AppendLittle16(wav, ChimeFormat::BitsPerSample);
    wav.append("data", 4);
    AppendLittle32(wav, quint32(samples.size()));
    wav.append(samples);
    return wav;
}
