#pragma once

#include "ArrivalLog.h"

#include <QList>

// Which message of its file each row of the arrival log names. The receiver
// appends the messages of one domain within one second to one file and
// writes one log line for each, so the k-th line naming a file names the
// k-th message in it.
//
// The lines naming one file share its file name, and the receiver's file
// names (its local time) only grow while its clock does. So the log falls
// into a few runs of rows whose file names never decrease, found once when
// first needed; within a run the rows of one name lie together and are
// found by binary search. A row then costs a few comparisons per run rather
// than a pass over every row above it, and the answer stays exact however
// the names are ordered.
class MessageOrdinals {
public:
    explicit MessageOrdinals(const ArrivalLog& log) : log_(log) {}

    // 0-based: how many rows above this one name the same file.
    int Ordinal(int row);
    // Forgets what was found from this row on, because that row changed or
    // the log was emptied.
    void ForgetFrom(int row);

private:
    void FindRunsUpTo(int row);

    const ArrivalLog& log_;
    // The first row of each run, ascending; rows [0, scanned_) are in runs.
    QList<int> runStarts_;
    int scanned_ = 0;
};
