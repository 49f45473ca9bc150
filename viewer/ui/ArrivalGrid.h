#pragma once

#include <QList>
#include <QTableView>

// The arrival list's grid. Qt's item views lay out and repaint every cell
// on screen whenever the row count changes; rows added below those the grid
// can show change only the end of its vertical scroll range, so then only
// that is updated. A long log is listed a slice at a time and a poll adds
// the new lines at the bottom: without this, each slice and each poll
// repaints the page on screen (text laid out cell by cell), most of the
// work of a whole load.
class ArrivalGrid : public QTableView {
    Q_OBJECT
public:
    explicit ArrivalGrid(QWidget* parent = nullptr) : QTableView(parent) {}

    void setModel(QAbstractItemModel* model) override;
    void doItemsLayout() override;

protected:
    bool event(QEvent* event) override;

private:
    void RowsInserted(const QModelIndex& parent, int first);
    void LengthenScrollRange();
    // The last row the viewport has room for at its scroll position.
    int LastRowOnScreen() const;

    // Why a layout is due: nothing yet, only rows below the screen, or
    // anything else (which repaints as Qt does).
    enum class Due { Nothing, RowsBelow, Other };
    Due due_ = Due::Nothing;
    QList<QMetaObject::Connection> modelConnections_;
};
