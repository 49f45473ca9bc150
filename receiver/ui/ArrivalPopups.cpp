#include "ArrivalPopups.h"

#include "FrmMsg.h"
#include "WavePlayer.h"

void ArrivalPopups::ShowPopup(const QString& caption, const QByteArray& message)
{
    auto* popup = new FrmMsg(caption, message);
    list_.Add(popup);
    popup->show();
}

void ArrivalPopups::PlaySound(const QString& wavPath)
{
    PlayWave(player_, wavPath);
}
