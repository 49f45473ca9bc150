#pragma once

#include "ArrivalLog.h"
#include "HeadlineCells.h"

#include <QAbstractTableModel>
#include <QByteArrayView>

// The arrival list as a table over an arrival log it does not own: date and
// time and sender domain from the log line, then the sender and subject of
// the message the line names. The log changes only through this model, so
// that the views hear of every change. Cell texts are made when asked for,
// so only the visible rows cost; only they read their message files.
class ArrivalListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ArrivalListModel(ArrivalLog& log, QObject* parent = nullptr);

    // Only the folder's length counts for the domain cells.
    void SetStorageFolderLength(qsizetype length) { storageFolderLength_ = length; }

    // Empties the log and the list.
    void Clear();
    void Reserve(qint64 bytes, qint64 lines) { log_.Reserve(bytes, lines); }
    // Adds the bytes that follow those the log holds; new rows are
    // inserted at the bottom, an unfinished last line is completed.
    void Append(QByteArrayView bytes);
    const ArrivalLog& Log() const { return log_; }
    // Which message of its file the row names, from 0.
    int MessageIndex(int row) const { return headlines_.MessageIndex(row); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    ArrivalLog& log_;
    // The rows the views know of: the log grows first, then they are told.
    int rows_ = 0;
    qsizetype storageFolderLength_ = 0;
    // Filled as the views ask for cells.
    mutable HeadlineCells headlines_{log_};
};
