#include "HeadlineCells.h"

MessageHeadline HeadlineCells::Headline(int row)
{
    if (const Cell* cell = cells_.object(row)) {
        return cell->headline;
    }
    const std::optional<MessageHeadline> read = ReadMessageHeadline(log_.Line(row), ordinals_.Ordinal(row));
    auto* cell = new Cell{read.value_or(MessageHeadline()), read.has_value()};
    const MessageHeadline headline = cell->headline;
    cells_.insert(row, cell);
    return headline;
}

void HeadlineCells::Cleared()
{
    cells_.clear();
    ordinals_.ForgetFrom(0);
}

void HeadlineCells::Changed(int firstRow)
{
    ordinals_.ForgetFrom(firstRow);
    for (const int row : cells_.keys()) {
        if (row >= firstRow || !cells_.object(row)->found) {
            cells_.remove(row);
        }
    }
}
