#include "ArrivalLogLoader.h"

#include <algorithm>

namespace {

// How much of the known part is compared, at its start and at its end,
// before only the new bytes are read.
constexpr qint64 CheckedBytes = 4096;

} // namespace

ArrivalLogLoader::ArrivalLogLoader(ArrivalListModel& list, qint64 sliceBytes)
    : list_(list), sliceBytes_(std::max<qint64>(sliceBytes, 1))
{
}

void ArrivalLogLoader::StartWhole()
{
    if (list_.rowCount() > 0) {
        list_.Clear();
    }
    loadedStamp_ = {};
    loading_ = true;
}

bool ArrivalLogLoader::StartAppended()
{
    const qint64 held = list_.Log().Size();
    const FileStamp now = fileSystem_.Stamp(logPath_);
    if (now != loadedStamp_) {
        if (!now.exists || now.size <= held) {
            // Gone, shortened, or rewritten at the same size (the receiver
            // only appends, so a new stamp without new bytes is a rewrite).
            if (held > 0 || now.exists) {
                return false;
            }
        } else if (!KnownBytesUnchanged()) {
            return false;
        }
    }
    loading_ = true;
    return true;
}

bool ArrivalLogLoader::KnownBytesUnchanged() const
{
    const ArrivalLog& known = list_.Log();
    const qint64 checked = std::min(CheckedBytes, known.Size());
    if (checked == 0) {
        return true;
    }
    TextFile file = fileSystem_.OpenForRead(logPath_);
    const QByteArray head = file.ReadBytes(checked);
    const qint64 tailStart = known.Size() - checked;
    const QByteArray tail = file.Seek(tailStart) ? file.ReadBytes(checked) : QByteArray();
    file.Close();
    return head == known.Bytes(0, checked) && tail == known.Bytes(tailStart, checked);
}

bool ArrivalLogLoader::ReadSlice()
{
    if (!loading_) {
        return false;
    }
    const qint64 held = list_.Log().Size();
    const FileStamp before = fileSystem_.Stamp(logPath_);
    TextFile file = fileSystem_.OpenForRead(logPath_);
    QByteArray slice;
    if (file.Seek(held)) {
        slice = file.ReadBytes(sliceBytes_);
    }
    file.Close();

    if (held == 0 && !slice.isEmpty() && before.size > slice.size()) {
        // The whole log in one allocation rather than a growing one, its
        // line count guessed from the first slice, with room to spare.
        const qint64 lines = slice.count('\n') * before.size / slice.size();
        list_.Reserve(before.size, lines + lines / 10 + 16);
    }
    list_.Append(slice);
    if (slice.size() < sliceBytes_) {
        loading_ = false;
        loadedStamp_ = before;
    }
    return loading_;
}
