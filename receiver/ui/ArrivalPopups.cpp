#include "ArrivalPopups.h"

#include "FrmMsg.h"
#include "PopupText.h"
#include "WavePlayer.h"

ArrivalPopups::ArrivalPopups(WavePlayer& player) : player_(player)
{
    pacing_.setSingleShot(true);
    QObject::connect(&pacing_, &QTimer::timeout, [this] { OpenNext(); });
}

void ArrivalPopups::ShowPopup(const QString& caption, const QByteArray& head, qint64 fullSize)
{
    // left() shares a message that fits instead of copying it.
    queued_.push_back({caption, head.left(PopupByteLimit), fullSize});
    while (queued_.size() > size_t(PopupList::MaxOpen)) {
        queued_.pop_front();
    }
    if (!pacing_.isActive()) {
        const qint64 since = sinceLastOpen_.isValid() ? sinceLastOpen_.elapsed() : interval_;
        pacing_.start(int(qMax<qint64>(0, interval_ - since)));
    }
}

void ArrivalPopups::OpenNext()
{
    if (queued_.empty()) {
        return;
    }
    const Arrival arrival = std::move(queued_.front());
    queued_.pop_front();
    QElapsedTimer cost;
    cost.start();
    auto* popup = new FrmMsg(arrival.caption, PopupText(arrival.head, arrival.fullSize));
    popup->show();
    list_.Add(popup);
    // A long text takes a while to lay out: the sessions get at least twice
    // that time before the next pop-up.
    interval_ = int(qMax<qint64>(OpenIntervalMs, 2 * cost.elapsed()));
    sinceLastOpen_.start();
    if (!queued_.empty()) {
        pacing_.start(interval_);
    }
}

void ArrivalPopups::PlaySound(const QString& wavPath)
{
    PlayWave(player_, wavPath);
}

void ArrivalPopups::CloseAll()
{
    pacing_.stop();
    queued_.clear();
    list_.CloseAll();
}
