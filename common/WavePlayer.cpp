#include "WavePlayer.h"

#include <QFileInfo>

void PlayWave(WavePlayer& player, const QString& path)
{
    const QFileInfo file(path);
    if (!path.isEmpty() && file.isFile() && file.isReadable()) {
        player.PlayFile(path);
    } else {
        player.PlayChime();
    }
}
