#include "ArrivalGrid.h"

#include <QEvent>
#include <QHeaderView>
#include <QScrollBar>
#include <QSignalBlocker>

#include <algorithm>
#include <utility>

void ArrivalGrid::setModel(QAbstractItemModel* model)
{
    for (const QMetaObject::Connection& connection : std::exchange(modelConnections_, {})) {
        disconnect(connection);
    }
    QTableView::setModel(model);
    due_ = Due::Other;
    if (model == nullptr) {
        return;
    }
    // Only rows added below the screen are let off Qt's full layout.
    const auto other = [this] { due_ = Due::Other; };
    modelConnections_ = {
        connect(model, &QAbstractItemModel::rowsInserted, this,
                [this](const QModelIndex& parent, int first, int) { RowsInserted(parent, first); }),
        connect(model, &QAbstractItemModel::modelReset, this, other),
        connect(model, &QAbstractItemModel::layoutChanged, this, other),
        connect(model, &QAbstractItemModel::rowsRemoved, this, other),
        connect(model, &QAbstractItemModel::rowsMoved, this, other),
        connect(model, &QAbstractItemModel::columnsInserted, this, other),
        connect(model, &QAbstractItemModel::columnsRemoved, this, other),
        connect(model, &QAbstractItemModel::columnsMoved, this, other),
    };
}

void ArrivalGrid::RowsInserted(const QModelIndex& parent, int first)
{
    // Where the scroll bar counts rows, as it does unless a style says
    // otherwise; else every change repaints as Qt does.
    const bool below = verticalScrollMode() == ScrollPerItem && !parent.isValid() && first > LastRowOnScreen();
    if (due_ == Due::Nothing && below) {
        due_ = Due::RowsBelow;
    } else if (!below) {
        due_ = Due::Other;
    }
}

int ArrivalGrid::LastRowOnScreen() const
{
    // Every row has the same height: rows are never resized one by one.
    const int rowHeight = std::max(verticalHeader()->defaultSectionSize(), 1);
    return verticalScrollBar()->value() + viewport()->height() / rowHeight + 1;
}

void ArrivalGrid::LengthenScrollRange()
{
    // A page holds as many rows as before, so only the range's end moves.
    // Quietly: on a range change the scroll area lays its scroll bars out
    // again, raising each above the other, which repaints both.
    QScrollBar* bar = verticalScrollBar();
    const QSignalBlocker quiet(bar);
    bar->setMaximum(verticalHeader()->count() - verticalHeader()->hiddenSectionCount() - bar->pageStep());
}

void ArrivalGrid::doItemsLayout()
{
    const Due due = std::exchange(due_, Due::Nothing);
    if (due == Due::RowsBelow) {
        LengthenScrollRange();
        return;
    }
    QTableView::doItemsLayout();
}

bool ArrivalGrid::event(QEvent* event)
{
    // Qt lays the items out again for these, as for any other change.
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        due_ = Due::Other;
    }
    return QTableView::event(event);
}
