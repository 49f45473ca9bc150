#pragma once

#include "FrmMsg.h"

#include <QList>
#include <QPointer>

// The arrival pop-ups still open, oldest first. At most MaxOpen stay open:
// every message is in the arrival log and the viewer, so closing the oldest
// loses nothing, while a flood of messages cannot bury the desktop or take
// the receiver's memory.
class PopupList {
public:
    static constexpr int MaxOpen = 50;

    // Closes the oldest pop-ups first when the new one would pass MaxOpen.
    void Add(FrmMsg* popup);
    QList<FrmMsg*> Open() const;
    void CloseAll();

private:
    void ForgetClosed();

    QList<QPointer<FrmMsg>> popups_;
};
