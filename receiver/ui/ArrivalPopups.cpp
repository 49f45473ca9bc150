#include "ArrivalPopups.h"

#include "Decoder.h"
#include "FrmMsg.h"
#include "SystemText.h"
#include "WavePlayer.h"

namespace {

QString PopupText(const DecoderSlot& decoder, const QByteArray& message)
{
    if (decoder.DecoderAvailable()) {
        return decoder.Decoder()->ReadableText(message);
    }
    QString text = FromSystemBytes(message);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

} // namespace

void ArrivalPopups::ShowPopup(const QString& caption, const QByteArray& message)
{
    auto* popup = new FrmMsg(caption, PopupText(decoder_, message));
    list_.Add(popup);
    popup->show();
}

void ArrivalPopups::PlaySound(const QString& wavPath)
{
    PlayWave(player_, wavPath);
}
