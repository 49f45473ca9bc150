#pragma once

#include "ArrivalNotifier.h"
#include "FrmMsg.h"
#include "PopupList.h"

#include <QElapsedTimer>
#include <QTimer>

#include <deque>

class WavePlayer;

// Arrival notification on screen and speaker: a new modeless pop-up per
// message, showing it in its readable form, and the WAV file.
//
// Pop-ups open at most one per OpenIntervalMs, or per twice the time the
// last one took to open: making a window costs far more than storing a
// small message, so a flood of arrivals queues them and the sessions keep
// their pace. Of a queue longer than PopupList::MaxOpen
// the oldest are dropped, since opening them would only close them again.
class ArrivalPopups : public ArrivalNotifier {
public:
    static constexpr int OpenIntervalMs = 50;

    explicit ArrivalPopups(WavePlayer& player);

    using ArrivalNotifier::ShowPopup;
    void ShowPopup(const QString& caption, const QByteArray& head, qint64 fullSize) override;
    void PlaySound(const QString& wavPath) override;

    PopupList& List() { return list_; }
    // Closes the open pop-ups and forgets the queued ones.
    void CloseAll();

private:
    struct Arrival {
        QString caption;
        QByteArray head; // at most the part a pop-up shows
        qint64 fullSize;
    };
    void OpenNext();

    WavePlayer& player_;
    PopupList list_;
    std::deque<Arrival> queued_;
    QTimer pacing_;
    QElapsedTimer sinceLastOpen_;
    int interval_ = OpenIntervalMs;
};
