#pragma once

#include "ArrivalLog.h"

#include <QAbstractTableModel>

// The arrival list as a two-column table: date and time, sender domain.
// Cell texts are made when asked for, so only the visible rows cost.
class ArrivalListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    void Clear();
    // Meant for an emptied list (after Clear); a full one is reset.
    void Load(const ArrivalLog& log);
    const ArrivalLog& Log() const { return log_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    ArrivalLog log_;
};
