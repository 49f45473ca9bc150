#pragma once

#include "WavePlayer.h"

#include <QStringList>

// Keeps what would have been played: a file path, or "<chime>".
class RecordingWavePlayer : public WavePlayer {
public:
    void PlayFile(const QString& path) override { played.append(path); }
    void PlayChime() override { played.append(QStringLiteral("<chime>")); }

    QStringList played;
};
