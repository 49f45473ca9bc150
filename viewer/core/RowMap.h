#pragma once

#include "ArrivalLog.h"

#include <QString>
#include <QStringView>

#include <optional>

// Grid row r (1-based; row 0 is the heading) -> arrival-log line r, the
// full path of that row's message file. Keyed "idx" + r as well, the key
// being the row number in decimal without leading zeros. A view of the
// log the list shows: one entry per data row and no other.
class RowMap {
public:
    explicit RowMap(const ArrivalLog& log) : log_(log) {}

    static QString Key(int row);

    int Count() const { return log_.Count(); }
    std::optional<QString> Find(int row) const;
    std::optional<QString> Find(QStringView key) const;

private:
    const ArrivalLog& log_;
};
