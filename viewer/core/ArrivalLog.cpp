#include "ArrivalLog.h"

#include "HugePages.h"
#include "SystemText.h"

#include <algorithm>
#include <cstring>

namespace {

// A block made for appended bytes holds at least this much, or an eighth
// of the log, so that a growing log needs few of them.
constexpr qint64 MinBlockBytes = 1024 * 1024;

} // namespace

ArrivalLog ArrivalLog::FromText(const QString& text)
{
    ArrivalLog log;
    log.Append(ToSystemBytes(text));
    return log;
}

QString ArrivalLog::Line(int index) const
{
    QByteArray scratch;
    // Decoding line by line is safe: LF is never part of a multi-byte
    // character in the system encodings in use.
    return FromSystemBytes(LineBytes(index, scratch));
}

QByteArrayView ArrivalLog::LineBytes(int index, QByteArray& scratch) const
{
    const qint64 start = starts_.at(index);
    const qint64 end = index + 1 < starts_.size() ? starts_.at(index + 1) : size_;
    const Block& block = blocks_.at(BlockAt(start));
    QByteArrayView line;
    if (end <= block.start + block.bytes.size()) {
        line = QByteArrayView(block.bytes).sliced(start - block.start, end - start);
    } else {
        scratch = Bytes(start, end - start);
        line = scratch;
    }
    if (line.endsWith('\n')) {
        line.chop(1);
        if (line.endsWith('\r')) {
            line.chop(1);
        }
    }
    return line;
}

QByteArray ArrivalLog::Bytes(qint64 from, qint64 length) const
{
    QByteArray bytes;
    bytes.reserve(length);
    for (int b = BlockAt(from); length > 0 && b < blocks_.size(); ++b) {
        const Block& block = blocks_.at(b);
        const qint64 offset = from - block.start;
        const qint64 take = std::min(length, block.bytes.size() - offset);
        bytes.append(block.bytes.constData() + offset, take);
        from += take;
        length -= take;
    }
    return bytes;
}

void ArrivalLog::Clear()
{
    blocks_ = QList<Block>();
    starts_ = QList<qint64>();
    size_ = 0;
}

void ArrivalLog::Reserve(qint64 bytes, qint64 lines)
{
    const qint64 room = blocks_.isEmpty() ? 0 : blocks_.back().bytes.capacity() - blocks_.back().bytes.size();
    if (bytes - size_ > room) {
        AddBlock(bytes - size_);
    }
    if (lines > starts_.capacity()) {
        starts_.reserve(lines);
        AdviseHugePages(starts_.data(), starts_.capacity() * qint64(sizeof(qint64)));
    }
}

void ArrivalLog::AddBlock(qint64 capacity)
{
    Block block;
    block.start = size_;
    block.bytes.reserve(capacity);
    AdviseHugePages(block.bytes.data(), block.bytes.capacity());
    blocks_.append(std::move(block));
}

int ArrivalLog::BlockAt(qint64 position) const
{
    const auto after = std::upper_bound(blocks_.cbegin(), blocks_.cend(), position,
                                        [](qint64 p, const Block& block) { return p < block.start; });
    return int(after - blocks_.cbegin()) - 1;
}

char ArrivalLog::ByteAt(qint64 position) const
{
    const Block& block = blocks_.at(BlockAt(position));
    return block.bytes.at(position - block.start);
}

ArrivalLog::Growth ArrivalLog::Append(QByteArrayView bytes)
{
    Growth growth;
    growth.rowsBefore = Count();
    if (bytes.isEmpty()) {
        return growth;
    }
    const qint64 oldSize = size_;
    const qint64 newSize = size_ + bytes.size();
    const bool openLine = oldSize > 0 && ByteAt(oldSize - 1) != '\n';
    growth.lastRowGrew = openLine;
    // A row starts at the first byte and after every LF that has a byte
    // after it; the bytes after the last LF held may already be one.
    if (!openLine) {
        starts_.append(oldSize);
    }

    while (!bytes.isEmpty()) {
        if (blocks_.isEmpty() || blocks_.back().bytes.size() == blocks_.back().bytes.capacity()) {
            AddBlock(std::max({qint64(bytes.size()), MinBlockBytes, size_ / 8}));
        }
        QByteArray& block = blocks_.back().bytes;
        const qint64 take = std::min(qint64(bytes.size()), block.capacity() - block.size());
        const qint64 from = block.size();
        // Within the capacity reserved, so the block never moves.
        block.append(bytes.first(take));
        const qint64 blockStart = blocks_.back().start;
        size_ += take;
        bytes = bytes.sliced(take);

        const char* const data = block.constData();
        qint64 pos = from;
        while (pos < block.size()) {
            const void* found = std::memchr(data + pos, '\n', size_t(block.size() - pos));
            if (!found) {
                break;
            }
            pos = static_cast<const char*>(found) - data + 1;
            if (blockStart + pos < newSize) {
                starts_.append(blockStart + pos);
            }
        }
    }
    return growth;
}
