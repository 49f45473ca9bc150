#include "ArrivalPopups.h"

#include "FrmMsg.h"
#include "PopupText.h"
#include "WavePlayer.h"

void ArrivalPopups::ShowPopup(const QString& caption, const QByteArray& message)
{
    auto* popup = new FrmMsg(caption, PopupText(decoder_, message));
    popup->show();
    list_.Add(popup);
}

void ArrivalPopups::PlaySound(const QString& wavPath)
{
    PlayWave(player_, wavPath);
}
