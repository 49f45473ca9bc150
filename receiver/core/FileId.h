#pragma once

#include <QByteArray>

#include <optional>

struct stat;

// A file as the kernel knows it, whatever name it goes by. While a file is
// held open its id is not given to another, so the same id at a path means
// the same file is still there.
struct FileId {
    quint64 device = 0;
    quint64 inode = 0;

    friend bool operator==(const FileId&, const FileId&) = default;
};

FileId IdOf(const struct stat& status);

// What a path leads to now; none when nothing is there. The path as the
// file system names it (QFile::encodeName).
struct FileAtPath {
    FileId id;
    qint64 size = 0;
};
std::optional<FileAtPath> LookUpFile(const QByteArray& name);
