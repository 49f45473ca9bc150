#pragma once

#include "FileStamp.h"
#include "FileSystem.h"

#include <QString>

#include <optional>

// Watches the arrival log's stamp (time and size) between polls. Nothing
// is recorded at first, so the first check always asks for a reload.
class LogWatch {
public:
    explicit LogWatch(QString logPath = {}) : logPath_(std::move(logPath)) {}

    // One stamp query, nothing more: the cost of a poll that finds nothing.
    bool Changed() const;
    // Records the stamp as it is now. Called after a reload: the stamp kept
    // is the one read then, not the one that was compared.
    void Record();
    // Records a stamp taken earlier, when what was read matched it.
    void Record(const FileStamp& stamp) { logStamp_ = stamp; }

    const std::optional<FileStamp>& LogStamp() const { return logStamp_; }

private:
    QString logPath_;
    FileSystem fileSystem_;
    std::optional<FileStamp> logStamp_;
};
