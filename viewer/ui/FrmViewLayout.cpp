#include "FrmViewLayout.h"

#include "Twips.h"

#include <algorithm>

QSize FrmViewDesignSize()
{
    return TwipsRect(0, 0, 7110, 5700).size();
}

FrmViewLayout LayOutFrmView(QSize client)
{
    const QSize grown = client.expandedTo(FrmViewDesignSize()) - FrmViewDesignSize();
    const int dx = grown.width();
    const int gridDy = grown.height() / 2;
    const int mailDy = grown.height() - gridDy;
    FrmViewLayout layout;
    layout.logList = TwipsRect(240, 120, 4455, 255).adjusted(0, 0, dx, 0);
    layout.grid = TwipsRect(120, 480, 4700, 1455).adjusted(0, 0, dx, gridDy);
    layout.refresh = TwipsRect(5040, 960, 1695, 375).translated(dx, 0);
    layout.intervalCaption = TwipsRect(4920, 1680, 975, 255).translated(dx, 0);
    layout.interval = TwipsRect(6000, 1680, 375, 285).translated(dx, 0);
    layout.secondsCaption = TwipsRect(6600, 1680, 375, 255).translated(dx, 0);
    layout.mail = TwipsRect(120, 2040, 6855, 3615).adjusted(0, gridDy, dx, gridDy + mailDy);
    return layout;
}

QPoint FrmViewPlace(QSize client, const QRect& screen, const QRect& freeArea)
{
    const QPoint designed = TwipsRect(4500, 4380, 0, 0).topLeft() + screen.topLeft();
    const QPoint farthest = freeArea.bottomRight() - QPoint(client.width(), client.height()) + QPoint(1, 1);
    return QPoint(std::max(std::min(designed.x(), farthest.x()), freeArea.left()),
                  std::max(std::min(designed.y(), farthest.y()), freeArea.top()));
}
