#include "ArrivalListModel.h"

#include "ArrivalLine.h"

namespace {

constexpr int DateTimeColumn = 0;
constexpr int DomainColumn = 1;
constexpr int SenderColumn = 2;
constexpr int SubjectColumn = 3;
constexpr int ColumnCount = 4;

} // namespace

ArrivalListModel::ArrivalListModel(ArrivalLog& log, QObject* parent)
    : QAbstractTableModel(parent), log_(log), rows_(log.Count())
{
}

void ArrivalListModel::Clear()
{
    beginResetModel();
    log_.Clear();
    headlines_.Cleared();
    rows_ = 0;
    endResetModel();
}

void ArrivalListModel::Append(QByteArrayView bytes)
{
    const ArrivalLog::Growth growth = log_.Append(bytes);
    headlines_.Changed(growth.lastRowGrew ? growth.rowsBefore - 1 : growth.rowsBefore);
    if (growth.lastRowGrew) {
        emit dataChanged(index(rows_ - 1, DateTimeColumn), index(rows_ - 1, SubjectColumn));
    }
    // Rows are inserted, as into a grid: a reset would also throw away the
    // view's column widths.
    if (log_.Count() > rows_) {
        beginInsertRows({}, rows_, log_.Count() - 1);
        rows_ = log_.Count();
        endInsertRows();
    }
}

int ArrivalListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : rows_;
}

int ArrivalListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ArrivalListModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !checkIndex(index, CheckIndexOption::IndexIsValid)) {
        return {};
    }
    switch (index.column()) {
    case DateTimeColumn:
        return DateTimeText(FileNameOf(log_.Line(index.row())));
    case DomainColumn:
        return DomainText(log_.Line(index.row()), storageFolderLength_).toString();
    case SenderColumn:
        return headlines_.Headline(index.row()).sender;
    default:
        return headlines_.Headline(index.row()).subject;
    }
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
    case SenderColumn:
        return QStringLiteral("差出人");
    case SubjectColumn:
        return QStringLiteral("件名");
    default:
        return {};
    }
}

Qt::ItemFlags ArrivalListModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}
