#pragma once

#include <QDateTime>

// A file's modification stamp: full-precision time and size, so that two
// changes within one second are still told apart.
struct FileStamp {
    bool exists = false;
    QDateTime modified;
    qint64 size = 0;

    friend bool operator==(const FileStamp& a, const FileStamp& b)
    {
        return a.exists == b.exists && a.modified == b.modified && a.size == b.size;
    }
};
