#include "ArrivalPopups.h"

#include "WavePlayer.h"

namespace {

constexpr qint64 NsPerMs = 1'000'000;

int CeilMs(qint64 ns)
{
    return int((ns + NsPerMs - 1) / NsPerMs);
}

} // namespace

ArrivalPopups::ArrivalPopups(WavePlayer& player) : ArrivalPopups(player, steadyClock_) {}

ArrivalPopups::ArrivalPopups(WavePlayer& player, WorkClock& clock) : player_(player), clock_(clock)
{
    next_.setSingleShot(true);
    QObject::connect(&next_, &QTimer::timeout, [this] { WorkPiece(); });
}

void ArrivalPopups::ShowPopup(const QString& caption, const QByteArray& head, qint64 fullSize)
{
    // A buffer of its own, as long as what the pop-up shows: the one the
    // store hands over may be larger.
    QByteArray kept = head.left(PopupByteLimit);
    kept.squeeze();
    queued_.push_back({caption, std::move(kept), fullSize});
    while (queued_.size() > size_t(PopupList::MaxOpen)) {
        queued_.pop_front();
    }
    if (!next_.isActive()) {
        next_.start(0);
    }
}

// One piece of work: a piece of the text box being filled, else the window
// of a rendered text, else a slice of rendering.
void ArrivalPopups::WorkPiece()
{
    const qint64 start = clock_.NowNs();
    if (filling_ && filling_->isHidden()) {
        filling_ = nullptr; // closed before it was full
    }
    if (filling_) {
        if (!filling_->FillStep()) {
            filling_ = nullptr;
        }
    } else if (rendering_ && rendering_->ready) {
        if (!MayOpen(start)) {
            return;
        }
        Open();
    } else if (rendering_ || !queued_.empty()) {
        if (!rendering_) {
            const Arrival& arrival = queued_.front();
            rendering_.emplace(arrival.caption, arrival.head, arrival.fullSize);
            queued_.pop_front();
        }
        rendering_->ready = !rendering_->text.Work(clock_, SliceNs);
    } else {
        return;
    }
    next_.start(CeilMs(SessionsShare * (clock_.NowNs() - start)));
}

bool ArrivalPopups::MayOpen(qint64 now)
{
    const qint64 wait = lastOpenNs_ ? *lastOpenNs_ + OpenIntervalMs * NsPerMs - now : 0;
    if (wait > 0) {
        next_.start(CeilMs(wait));
    }
    return wait <= 0;
}

void ArrivalPopups::Open()
{
    lastOpenNs_ = clock_.NowNs();
    auto* popup = new FrmMsg(rendering_->caption, rendering_->text.Text());
    rendering_.reset();
    popup->show();
    list_.Add(popup);
    filling_ = popup;
}

void ArrivalPopups::PlaySound(const QString& wavPath)
{
    PlayWave(player_, wavPath);
}

void ArrivalPopups::CloseAll()
{
    next_.stop();
    queued_.clear();
    rendering_.reset();
    filling_ = nullptr;
    list_.CloseAll();
}
