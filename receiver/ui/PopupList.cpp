#include "PopupList.h"

#include "FrmMsg.h"

QList<FrmMsg*> PopupList::Open() const
{
    QList<FrmMsg*> open;
    for (const QPointer<FrmMsg>& popup : popups_) {
        if (popup) {
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
}
