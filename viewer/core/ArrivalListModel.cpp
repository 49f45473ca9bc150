#include "ArrivalListModel.h"

namespace {

constexpr int DateTimeColumn = 0;
constexpr int DomainColumn = 1;

} // namespace

void ArrivalListModel::Clear()
{
    beginResetModel();
    log_ = ArrivalLog();
    endResetModel();
}

void ArrivalListModel::Load(const ArrivalLog& log)
{
    // Into an emptied list the rows are inserted, like rows added to a grid:
    // a reset would also throw away the view's column widths.
    if (log_.Count() > 0) {
        beginResetModel();
        log_ = log;
        endResetModel();
        return;
    }
    if (log.Count() == 0) {
        return;
    }
    beginInsertRows({}, 0, log.Count() - 1);
    log_ = log;
    endInsertRows();
}

int ArrivalListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : log_.Count();
}

int ArrivalListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 2;
}

QVariant ArrivalListModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !checkIndex(index, CheckIndexOption::IndexIsValid)) {
        return {};
    }
    if (index.column() == DateTimeColumn) {
        return log_.DateTimeText(index.row());
    }
    return log_.DomainText(index.row()).toString();
}

QVariant ArrivalListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    switch (section) {
    case DateTimeColumn:
        return QStringLiteral("日時");
    case DomainColumn:
        return QStringLiteral("ドメイン");
    default:
        return {};
    }
}

Qt::ItemFlags ArrivalListModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}
