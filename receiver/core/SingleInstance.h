#pragma once

#include <QString>

#include <memory>

class QLockFile;

// Holds a lock file in the user's runtime folder, keyed by the executable's
// path, for as long as the program runs. A lock left by a crashed run is
// taken over.
class SingleInstance {
public:
    explicit SingleInstance(const QString& programPath);
    ~SingleInstance();

    // False when another instance of the same program holds the lock.
    bool TryLock();

private:
    std::unique_ptr<QLockFile> lock_;
};
