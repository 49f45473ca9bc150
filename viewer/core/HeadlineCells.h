#pragma once

#include "ArrivalLog.h"
#include "MessageHeadline.h"
#include "MessageOrdinals.h"

#include <QCache>

// The sender and subject cells of the arrival list. A row's are read from
// its message file when a view first asks for them, which it does only for
// the rows on screen, and kept for the rows asked for last.
class HeadlineCells {
public:
    static constexpr int CachedRows = 2000;

    explicit HeadlineCells(const ArrivalLog& log) : log_(log), ordinals_(log) {}

    // Empty texts when the file is missing or unreadable or holds no such
    // message.
    MessageHeadline Headline(int row);
    // Which message of its file the row names, from 0.
    int MessageIndex(int row) { return ordinals_.Ordinal(row); }

    void Cleared();
    // The rows from firstRow on are new or changed. Rows whose message was
    // not found are read again when asked for: their file may have grown.
    void Changed(int firstRow);

private:
    struct Cell {
        MessageHeadline headline;
        bool found = false;
    };

    const ArrivalLog& log_;
    MessageOrdinals ordinals_;
    QCache<int, Cell> cells_{CachedRows};
};
