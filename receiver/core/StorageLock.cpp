#include "StorageLock.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

StorageLock::Outcome StorageLock::Take(const QString& path, QString* error)
{
    Release();
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return Outcome::Failed;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int lockError = errno;
        ::close(fd);
        if (lockError == EWOULDBLOCK) {
            return Outcome::HeldElsewhere;
        }
        *error = QString::fromLocal8Bit(std::strerror(lockError));
        return Outcome::Failed;
    }
    fd_ = fd;
    return Outcome::Taken;
}

void StorageLock::Release()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}
