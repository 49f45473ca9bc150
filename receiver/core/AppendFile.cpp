#include "AppendFile.h"

#include <QByteArray>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <utility>

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Kept below what one call may move, and small enough that a failed copy
// is noticed early.
constexpr qint64 CopyStepBytes = qint64(1) << 30;

int OpenFlags(int extra)
{
    return O_RDWR | O_APPEND | O_CLOEXEC | extra;
}

} // namespace

AppendFile::AppendFile(AppendFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), id_(other.id_), size_(other.size_), error_(other.error_),
      path_(std::move(other.path_)), name_(std::move(other.name_))
{
}

AppendFile& AppendFile::operator=(AppendFile&& other) noexcept
{
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
        id_ = other.id_;
        size_ = other.size_;
        error_ = other.error_;
        path_ = std::move(other.path_);
        name_ = std::move(other.name_);
    }
    return *this;
}

AppendFile::~AppendFile()
{
    Close();
}

AppendFile AppendFile::Open(const QString& path)
{
    return OpenWith(path, OpenFlags(O_CREAT));
}

AppendFile AppendFile::Create(const QString& path)
{
    return OpenWith(path, OpenFlags(O_CREAT | O_EXCL));
}

AppendFile AppendFile::OpenWith(const QString& path, int flags)
{
    AppendFile file;
    file.path_ = path;
    file.name_ = QFile::encodeName(path);
    do {
        file.fd_ = ::open(file.name_.constData(), flags, 0600);
    } while (file.fd_ < 0 && errno == EINTR);
    if (file.fd_ < 0) {
        file.error_ = errno;
        return file;
    }
    struct stat status {};
    if (::fstat(file.fd_, &status) != 0) {
        file.error_ = errno;
        file.Close();
        return file;
    }
    file.id_ = IdOf(status);
    file.size_ = status.st_size;
    return file;
}

bool AppendFile::IsStillAtItsPath() const
{
    const std::optional<FileAtPath> there = LookUpFile(name_);
    return IsOpen() && there && there->id == id_;
}

bool AppendFile::Append(QByteArrayView bytes)
{
    const char* data = bytes.data();
    qint64 left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd_, data, size_t(left));
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            error_ = written < 0 ? errno : ENOSPC;
            return false;
        }
        data += written;
        left -= written;
        size_ += written;
    }
    return true;
}

bool AppendFile::AppendFrom(const AppendFile& source, qint64 length)
{
    // copy_file_range refuses a target opened for appending; this process is
    // the file's only writer, so the copy goes to the end it knows.
    const int flags = ::fcntl(fd_, F_GETFL);
    if (flags < 0 || ::fcntl(fd_, F_SETFL, flags & ~O_APPEND) < 0) {
        error_ = errno;
        return false;
    }
    off64_t from = 0;
    off64_t to = size_;
    bool ok = true;
    while (from < length) {
        const ssize_t copied =
            ::copy_file_range(source.fd_, &from, fd_, &to, size_t(std::min(length - from, CopyStepBytes)), 0);
        if (copied < 0 && errno == EINTR) {
            continue;
        }
        if (copied < 0 && from == 0 && (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP)) {
            ::fcntl(fd_, F_SETFL, flags);
            return CopyThroughBuffer(source, length);
        }
        if (copied <= 0) {
            error_ = copied < 0 ? errno : ENOSPC;
            ok = false;
            break;
        }
    }
    size_ = to;
    ::fcntl(fd_, F_SETFL, flags);
    return ok;
}

bool AppendFile::CopyThroughBuffer(const AppendFile& source, qint64 length)
{
    constexpr qint64 StepBytes = 1024 * 1024;
    for (qint64 at = 0; at < length; at += StepBytes) {
        const QByteArray step = source.ReadAt(at, std::min(StepBytes, length - at));
        if (step.size() != std::min(StepBytes, length - at) || !Append(step)) {
            error_ = error_ ? error_ : EIO;
            return false;
        }
    }
    return true;
}

QByteArray AppendFile::ReadAt(qint64 offset, qint64 length) const
{
    QByteArray bytes(qsizetype(std::max<qint64>(0, std::min(length, size_ - offset))), Qt::Uninitialized);
    qsizetype got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::pread(fd_, bytes.data() + got, size_t(bytes.size() - got), offset + got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        got += n;
    }
    bytes.truncate(got);
    return bytes;
}

bool AppendFile::CutBackTo(qint64 size)
{
    int result;
    do {
        result = ::ftruncate(fd_, size);
    } while (result < 0 && errno == EINTR);
    if (result < 0) {
        error_ = errno;
        return false;
    }
    size_ = size;
    return true;
}

bool AppendFile::MoveTo(const QString& path)
{
    const QByteArray to = QFile::encodeName(path);
    int result = ::renameat2(AT_FDCWD, name_.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE);
    if (result < 0 && (errno == EINVAL || errno == ENOSYS)) {
        // A file system without the no-replace rename: a new link never
        // replaces a file either.
        result = ::link(name_.constData(), to.constData());
        if (result == 0) {
            ::unlink(name_.constData());
        }
    }
    if (result < 0) {
        error_ = errno;
        return false;
    }
    path_ = path;
    name_ = to;
    return true;
}

void AppendFile::Remove()
{
    if (IsOpen()) {
        ::unlink(name_.constData());
    }
    Close();
    path_.clear();
    name_.clear();
    size_ = 0;
}

void AppendFile::Close()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}
