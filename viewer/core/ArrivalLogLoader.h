#pragma once

#include "ArrivalListModel.h"
#include "FileStamp.h"
#include "FileSystem.h"

#include <QString>

#include <algorithm>

// Reads the arrival log into the list a slice at a time, so that a long
// log never holds the caller for long, and after a load reads only what
// the receiver appended since, as long as the bytes read before are still
// the log's first bytes. The log is opened and closed for every slice.
class ArrivalLogLoader {
public:
    static constexpr qint64 DefaultSliceBytes = 1024 * 1024;

    explicit ArrivalLogLoader(ArrivalListModel& list, qint64 sliceBytes = DefaultSliceBytes);

    void SetLogPath(const QString& logPath) { logPath_ = logPath; }
    void SetSliceBytes(qint64 bytes) { sliceBytes_ = std::max<qint64>(bytes, 1); }

    // Starts reading from the log's first byte into an emptied list.
    void StartWhole();
    // Starts reading from where the last load ended. False, and nothing
    // started, when the log shrank, kept its size under a new stamp, or no
    // longer begins or ends its known part with the bytes read before:
    // then only a whole reload gives the log's rows.
    bool StartAppended();
    void Stop() { loading_ = false; }

    // Reads the next slice into the list; true while more is to be read.
    bool ReadSlice();
    bool Loading() const { return loading_; }

    // The log's stamp taken just before the read that reached its end: a
    // line appended after that read shows as a change of stamp.
    const FileStamp& LoadedStamp() const { return loadedStamp_; }

private:
    bool KnownBytesUnchanged() const;

    ArrivalListModel& list_;
    qint64 sliceBytes_;
    QString logPath_;
    FileSystem fileSystem_;
    FileStamp loadedStamp_;
    bool loading_ = false;
};
