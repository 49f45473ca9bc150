#pragma once

#include <QString>

// An advisory lock (flock) on one file, held from Take until Release: one
// receiver per storage folder. The kernel drops the lock with its holder,
// so a receiver that crashed leaves no stale lock behind.
class StorageLock {
public:
    enum class Outcome { Taken, HeldElsewhere, Failed };

    StorageLock() = default;
    StorageLock(const StorageLock&) = delete;
    StorageLock& operator=(const StorageLock&) = delete;
    ~StorageLock() { Release(); }

    // Creates the file when missing and takes its lock without waiting; a
    // lock held before is let go first. Failed: the reason is in *error.
    Outcome Take(const QString& path, QString* error);
    void Release();

private:
    int fd_ = -1;
};
