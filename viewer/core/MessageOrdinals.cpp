#include "MessageOrdinals.h"

#include <QDir>

#include <algorithm>
#include <cstring>
#include <ranges>
#include <string_view>

namespace {

std::string_view View(QByteArrayView bytes)
{
    return {bytes.data(), size_t(bytes.size())};
}

// The bytes after the line's last separator; any function of the line's
// bytes would keep the count exact, this one keeps the runs long.
std::string_view FileNameBytes(QByteArrayView line)
{
    const void* last = memrchr(line.data(), QDir::separator().toLatin1(), size_t(line.size()));
    const char* name = last ? static_cast<const char*>(last) + 1 : line.data();
    return {name, size_t(line.data() + line.size() - name)};
}

} // namespace

void MessageOrdinals::ForgetFrom(int row)
{
    scanned_ = std::min(scanned_, row);
    while (!runStarts_.isEmpty() && runStarts_.back() >= row) {
        runStarts_.removeLast();
    }
}

void MessageOrdinals::FindRunsUpTo(int row)
{
    if (scanned_ > row) {
        return;
    }
    if (scanned_ == 0) {
        runStarts_.append(0);
    }
    // Two buffers, so that the name before stays valid beside the next.
    QByteArray scratch[2];
    const int first = std::max(scanned_, 1);
    std::string_view before = FileNameBytes(log_.LineBytes(first - 1, scratch[(first - 1) % 2]));
    for (int r = first; r <= row; ++r) {
        const std::string_view name = FileNameBytes(log_.LineBytes(r, scratch[r % 2]));
        if (name < before) {
            runStarts_.append(r);
        }
        before = name;
    }
    scanned_ = row + 1;
}

int MessageOrdinals::Ordinal(int row)
{
    FindRunsUpTo(row);
    QByteArray lineScratch;
    QByteArray otherScratch;
    const std::string_view line = View(log_.LineBytes(row, lineScratch));
    const std::string_view name = FileNameBytes(QByteArrayView(line));
    const auto nameAt = [&](int r) { return FileNameBytes(log_.LineBytes(r, otherScratch)); };
    const auto sameLine = [&](int r) { return View(log_.LineBytes(r, otherScratch)) == line; };

    int ordinal = 0;
    const qsizetype run = std::upper_bound(runStarts_.cbegin(), runStarts_.cend(), row) - runStarts_.cbegin() - 1;
    // In the row's own run the rows of its name lie right above it.
    for (int r = row - 1; r >= runStarts_.at(run) && nameAt(r) == name; --r) {
        ordinal += sameLine(r);
    }
    for (qsizetype earlier = 0; earlier < run; ++earlier) {
        const std::ranges::iota_view rows(runStarts_.at(earlier), runStarts_.at(earlier + 1));
        const auto first = std::ranges::partition_point(rows, [&](int r) { return nameAt(r) < name; });
        for (auto r = first; r != rows.end() && nameAt(*r) == name; ++r) {
            ordinal += sameLine(*r);
        }
    }
    return ordinal;
}
