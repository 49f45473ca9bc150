#pragma once

#include "ArrivalNotifier.h"
#include "FrmMsg.h"
#include "PopupList.h"

class DecoderSlot;
class WavePlayer;

// Arrival notification on screen and speaker: a new modeless pop-up per
// message, and the WAV file. The pop-up shows the decoder's readable form
// when the decoder is there, the received text otherwise.
class ArrivalPopups : public ArrivalNotifier {
public:
    ArrivalPopups(WavePlayer& player, const DecoderSlot& decoder) : player_(player), decoder_(decoder) {}

    void ShowPopup(const QString& caption, const QByteArray& message) override;
    void PlaySound(const QString& wavPath) override;

    PopupList& List() { return list_; }
    void CloseAll() { list_.CloseAll(); }

private:
    WavePlayer& player_;
    const DecoderSlot& decoder_;
    PopupList list_;
};
