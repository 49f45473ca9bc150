#include "PopupList.h"

#include "FrmMsg.h"

namespace {

// A closed pop-up is hidden at once and deleted on a later pass of the
// event loop, so "still open" means it exists and has not been closed.
bool IsOpen(const QPointer<FrmMsg>& popup)
{
    return popup && !popup->isHidden();
}

} // namespace

void PopupList::Add(FrmMsg* popup)
{
    ForgetClosed();
    while (popups_.size() >= MaxOpen) {
        popups_.takeFirst()->close();
    }
    popups_.append(popup);
}

QList<FrmMsg*> PopupList::Open() const
{
    QList<FrmMsg*> open;
    for (const QPointer<FrmMsg>& popup : popups_) {
        if (IsOpen(popup)) {
            open.append(popup);
        }
    }
    return open;
}

void PopupList::CloseAll()
{
    for (FrmMsg* popup : Open()) {
        popup->close();
    }
    popups_.clear();
}

void PopupList::ForgetClosed()
{
    popups_.removeIf([](const QPointer<FrmMsg>& popup) { return !IsOpen(popup); });
}
