#include "ArrivalGrid.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <QTest>

namespace {

// Records the rows whose cells are painted.
class PaintedRows : public QStyledItemDelegate {
public:
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        rows.append(index.row());
        QStyledItemDelegate::paint(painter, option, index);
    }
    mutable QList<int> rows;
};

void AppendRows(QStandardItemModel& model, int count)
{
    for (int i = 0; i < count; ++i) {
        model.appendRow(new QStandardItem(QString::number(model.rowCount())));
    }
}

} // namespace

class ArrivalGridTest : public QObject {
    Q_OBJECT
private slots:
    void rowsBelowTheScreenChangeOnlyTheScrollBar();
};

void ArrivalGridTest::rowsBelowTheScreenChangeOnlyTheScrollBar()
{
    QStandardItemModel model(0, 1);
    AppendRows(model, 2);
    ArrivalGrid grid;
    PaintedRows painted;
    grid.setItemDelegate(&painted);
    grid.setModel(&model);
    grid.verticalHeader()->setDefaultSectionSize(20);
    grid.resize(200, 120);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    QTRY_VERIFY(painted.rows.contains(1));

    // Rows that reach the screen are painted.
    AppendRows(model, 1);
    QTRY_VERIFY(painted.rows.contains(2));
    AppendRows(model, 50);
    QTRY_VERIFY(painted.rows.contains(3));
    const int lastPage = grid.verticalScrollBar()->maximum();
    QCoreApplication::processEvents();

    painted.rows.clear();
    AppendRows(model, 10);
    QTRY_COMPARE(grid.verticalScrollBar()->maximum(), lastPage + 10);
    QCoreApplication::processEvents();
    QCOMPARE(painted.rows, QList<int>());
}

QTEST_MAIN(ArrivalGridTest)
#include "tst_arrival_grid.moc"
