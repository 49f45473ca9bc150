#pragma once

#include "FileId.h"

#include <QByteArray>
#include <QString>

// Where the message being committed goes, written down before any of its
// bytes do, so that the next receiver to take the storage folder can take
// back a message whose receiver was killed before its arrival-log line.
//
// One record, rewritten by each commit with one write: commits run one at a
// time, so only the last one can have been cut off. The record reaches the
// kernel's page cache, not the disk: it outlives the receiver however it
// ends, but not a power cut or a crash of the system, which would take an
// fsync per message.
class MessageJournal {
public:
    // Paths as the file system names them (QFile::encodeName).
    struct Entry {
        QByteArray messagePath;
        FileId message; // the message file, or the spool file about to become it
        qint64 messageSizeBefore = 0; // 0: the message starts the file
        QByteArray logPath;
        FileId log;
        qint64 logSizeBefore = 0;
        qint64 logSizeAfter = 0; // with the message's line
    };

    MessageJournal() = default;
    MessageJournal(const MessageJournal&) = delete;
    MessageJournal& operator=(const MessageJournal&) = delete;
    ~MessageJournal() { Close(); }

    // Opens the journal file, creating it when missing; false with the
    // error number in *error.
    bool Open(const QString& path, int* error);
    bool IsStillAtItsPath() const;
    bool Record(const Entry& entry);
    // Takes the message of the last record out of its file and the arrival
    // log, unless its log line is whole; then forgets the record.
    void TakeBackUnlogged();
    void Close();

private:
    int fd_ = -1;
    FileId id_;
    QByteArray name_;
};
