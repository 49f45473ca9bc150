#pragma once

#include "ArrivalNotifier.h"
#include "FrmMsg.h"
#include "PopupList.h"
#include "PopupText.h"
#include "WorkClock.h"

#include <QPointer>
#include <QTimer>

#include <deque>
#include <optional>

class WavePlayer;

// Arrival notification on screen and speaker: a new modeless pop-up per
// message, showing it in its readable form, and the WAV file.
//
// A pop-up is made in pieces of work on the receiver's only thread, one
// arrival after the other: its text a few steps at a time (PopupText, with
// its budget of work), then its window, then its text box a piece at a
// time (FrmMsg::FillStep). Nothing of it runs before ShowPopup has
// returned, so the reply to the client never waits for it. After each
// piece the timer lets the event loop run for SessionsShare times as long
// as the piece took, so that however many pop-ups are due, the sessions
// keep nine tenths of the thread. Pop-ups open at most one per
// OpenIntervalMs.
//
// Arrivals wait in a queue of at most PopupList::MaxOpen, each holding at
// most PopupByteLimit bytes of its message: 50 MiB at most. Of a longer
// queue the oldest are dropped, since opening them would only close them
// again.
class ArrivalPopups : public ArrivalNotifier {
public:
    static constexpr int OpenIntervalMs = 50;
    static constexpr int SessionsShare = 9;
    // Rendering goes on for about this long before the event loop runs.
    static constexpr qint64 SliceNs = 2'000'000;

    explicit ArrivalPopups(WavePlayer& player);
    // `clock` measures the pieces of work.
    ArrivalPopups(WavePlayer& player, WorkClock& clock);

    using ArrivalNotifier::ShowPopup;
    void ShowPopup(const QString& caption, const QByteArray& head, qint64 fullSize) override;
    void PlaySound(const QString& wavPath) override;

    PopupList& List() { return list_; }
    // Closes the open pop-ups and forgets the ones still to come.
    void CloseAll();

private:
    struct Arrival {
        QString caption;
        QByteArray head; // at most the part a pop-up shows
        qint64 fullSize;
    };
    struct Rendering {
        Rendering(const QString& caption, const QByteArray& head, qint64 fullSize)
            : caption(caption), text(head, fullSize)
        {
        }
        QString caption;
        PopupText text;
        bool ready = false; // the text is done, the window still to come
    };
    void WorkPiece();
    // False when the last pop-up opened too recently: the timer is set.
    bool MayOpen(qint64 now);
    void Open();

    WavePlayer& player_;
    SteadyWorkClock steadyClock_;
    WorkClock& clock_;
    PopupList list_;
    std::deque<Arrival> queued_;
    std::optional<Rendering> rendering_;
    QPointer<FrmMsg> filling_;
    QTimer next_;
    std::optional<qint64> lastOpenNs_;
};
