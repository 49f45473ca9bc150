#pragma once

#include "ArrivalNotifier.h"
#include "FrmMsg.h"
#include "PopupList.h"

class WavePlayer;

// Arrival notification on screen and speaker: a new modeless pop-up per
// message, and the WAV file.
class ArrivalPopups : public ArrivalNotifier {
public:
    explicit ArrivalPopups(WavePlayer& player) : player_(player) {}

    void ShowPopup(const QString& caption, const QByteArray& message) override;
    void PlaySound(const QString& wavPath) override;

    PopupList& List() { return list_; }
    void CloseAll() { list_.CloseAll(); }

private:
    WavePlayer& player_;
    PopupList list_;
};
