#pragma once

#include "FrmMsg.h"

#include <QList>
#include <QPointer>



// Every arrival pop-up opened since start; a pop-up closed by the user
// leaves an empty entry behind.
class PopupList {
public:
    void Add(FrmMsg* popup) { popups_.append(popup); }
    // The pop-ups still open.
    QList<FrmMsg*> Open() const;
    void CloseAll();

private:
    QList<QPointer<FrmMsg>> popups_;
};
