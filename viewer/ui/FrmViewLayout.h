#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// Where the viewer window's widgets lie in a client area of a given size.
// At the designed size this is the designed layout. A larger window gives
// its extra width to the log caption, the grid and the message text, and
// its extra height half to the grid and half to the text; the refresh
// button, the interval box and its captions keep their distance to the top
// right corner.
struct FrmViewLayout {
    QRect logList;
    QRect grid;
    QRect refresh;
    QRect intervalCaption;
    QRect interval;
    QRect secondsCaption;
    QRect mail;
};

// The designed client area, which is also the smallest.
QSize FrmViewDesignSize();
FrmViewLayout LayOutFrmView(QSize client);

// The client area's top-left corner: the designed place on the screen,
// moved up and left as far as a larger window needs to stay within the
// screen's free area.
QPoint FrmViewPlace(QSize client, const QRect& screen, const QRect& freeArea);
