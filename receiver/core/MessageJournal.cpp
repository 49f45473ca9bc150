#include "MessageJournal.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A record: its header, the numbers, then both paths. A record cut short, or
// a shorter one written over a longer, does not match its header and reads
// as none. Machine-specific by design: only this machine reads it back.
struct RecordHeader {
    quint32 mark;
    quint32 length; // of what follows the header
    quint64 checksum;
};
struct RecordNumbers {
    FileId message;
    qint64 messageSizeBefore;
    FileId log;
    qint64 logSizeBefore;
    qint64 logSizeAfter;
    quint32 messagePathLength;
    quint32 logPathLength;
};
constexpr quint32 RecordMark = 0x4c4a4e32;
constexpr qsizetype MostRecordBytes = 64 * 1024;

// FNV-1a over 8-byte words: enough to tell a torn record from a whole one,
// and cheap.
quint64 Checksum(QByteArrayView bytes)
{
    quint64 hash = 14695981039346656037u;
    for (qsizetype at = 0; at < bytes.size(); at += 8) {
        quint64 word = 0;
        std::memcpy(&word, bytes.data() + at, size_t(std::min<qsizetype>(8, bytes.size() - at)));
        hash = (hash ^ word) * 1099511628211u;
    }
    return hash;
}

QByteArray Encode(const MessageJournal::Entry& entry)
{
    const RecordNumbers numbers{entry.message,       entry.messageSizeBefore,
                                entry.log,           entry.logSizeBefore,
                                entry.logSizeAfter,  quint32(entry.messagePath.size()),
                                quint32(entry.logPath.size())};
    const qsizetype length = sizeof numbers + entry.messagePath.size() + entry.logPath.size();
    QByteArray record(sizeof(RecordHeader) + length, Qt::Uninitialized);
    char* body = record.data() + sizeof(RecordHeader);
    std::memcpy(body, &numbers, sizeof numbers);
    std::memcpy(body + sizeof numbers, entry.messagePath.constData(), size_t(entry.messagePath.size()));
    std::memcpy(body + sizeof numbers + entry.messagePath.size(), entry.logPath.constData(),
                size_t(entry.logPath.size()));
    const RecordHeader header{RecordMark, quint32(length), Checksum(QByteArrayView(body, length))};
    std::memcpy(record.data(), &header, sizeof header);
    return record;
}

std::optional<MessageJournal::Entry> Decode(QByteArrayView record)
{
    RecordHeader header{};
    RecordNumbers numbers{};
    if (record.size() < qsizetype(sizeof header + sizeof numbers)) {
        return std::nullopt;
    }
    std::memcpy(&header, record.data(), sizeof header);
    const QByteArrayView body = record.sliced(sizeof header);
    if (header.mark != RecordMark || header.length < sizeof numbers || header.length > body.size() ||
        Checksum(body.first(header.length)) != header.checksum) {
        return std::nullopt;
    }
    std::memcpy(&numbers, body.data(), sizeof numbers);
    const QByteArrayView paths = body.first(header.length).sliced(sizeof numbers);
    if (qsizetype(numbers.messagePathLength) + numbers.logPathLength != paths.size()) {
        return std::nullopt;
    }
    return MessageJournal::Entry{paths.first(numbers.messagePathLength).toByteArray(),
                                 numbers.message,
                                 numbers.messageSizeBefore,
                                 paths.sliced(numbers.messagePathLength).toByteArray(),
                                 numbers.log,
                                 numbers.logSizeBefore,
                                 numbers.logSizeAfter};
}

// A cut that fails leaves the file as the kill left it; nothing more can be done.
bool CutBack(const QByteArray& path, qint64 size)
{
    return ::truncate(path.constData(), size) == 0;
}

// A message whose log line is whole stays: it was stored, and its 250 may
// have gone out. Any other is taken out of the files that are still the
// ones it went into.
void TakeBack(const MessageJournal::Entry& entry)
{
    const std::optional<FileAtPath> log = LookUpFile(entry.logPath);
    const bool sameLog = log && log->id == entry.log;
    if (sameLog && log->size >= entry.logSizeAfter) {
        return;
    }
    const std::optional<FileAtPath> message = LookUpFile(entry.messagePath);
    if (message && message->id == entry.message) {
        if (entry.messageSizeBefore == 0) {
            ::unlink(entry.messagePath.constData());
        } else if (message->size > entry.messageSizeBefore) {
            CutBack(entry.messagePath, entry.messageSizeBefore);
        }
    }
    if (sameLog && log->size > entry.logSizeBefore) {
        CutBack(entry.logPath, entry.logSizeBefore);
    }
}

} // namespace

bool MessageJournal::Open(const QString& path, int* error)
{
    Close();
    name_ = QFile::encodeName(path);
    fd_ = ::open(name_.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    struct stat status {};
    if (fd_ < 0 || ::fstat(fd_, &status) != 0) {
        *error = errno;
        Close();
        return false;
    }
    id_ = IdOf(status);
    return true;
}

bool MessageJournal::IsStillAtItsPath() const
{
    const std::optional<FileAtPath> there = LookUpFile(name_);
    return fd_ >= 0 && there && there->id == id_;
}

bool MessageJournal::Record(const Entry& entry)
{
    const QByteArray record = Encode(entry);
    ssize_t written;
    do {
        written = ::pwrite(fd_, record.constData(), size_t(record.size()), 0);
    } while (written < 0 && errno == EINTR);
    return written == record.size();
}

void MessageJournal::TakeBackUnlogged()
{
    QByteArray record(MostRecordBytes, Qt::Uninitialized);
    const ssize_t got = ::pread(fd_, record.data(), size_t(record.size()), 0);
    record.truncate(qMax<ssize_t>(got, 0));
    if (const std::optional<Entry> entry = Decode(record)) {
        TakeBack(*entry);
    }
    // A record that could not be forgotten finds its work done when it is
    // read again.
    [[maybe_unused]] const int forgotten = ::ftruncate(fd_, 0);
}

void MessageJournal::Close()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    name_.clear();
}
