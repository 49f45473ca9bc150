#include "FileId.h"

#include <sys/stat.h>

FileId IdOf(const struct stat& status)
{
    return {quint64(status.st_dev), quint64(status.st_ino)};
}

std::optional<FileAtPath> LookUpFile(const QByteArray& name)
{
    struct stat status {};
    if (::stat(name.constData(), &status) != 0) {
        return std::nullopt;
    }
    return FileAtPath{IdOf(status), qint64(status.st_size)};
}
