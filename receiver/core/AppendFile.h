#pragma once

#include "FileId.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// A file the store adds to at its end and, when an addition fails, cuts
// back to the size it had before, so a failed message leaves nothing in it.
// Opened once and kept; every Append is whole or reported as failed. A file
// it creates is readable and writable by its owner only.
class AppendFile {
public:
    AppendFile() = default;
    AppendFile(AppendFile&& other) noexcept;
    AppendFile& operator=(AppendFile&& other) noexcept;
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;
    ~AppendFile();

    // Opens the file for appending, creating it when missing (never truncated).
    // The error number of a failed open is kept in Error().
    static AppendFile Open(const QString& path);
    // Creates a new file that must not exist yet.
    static AppendFile Create(const QString& path);

    bool IsOpen() const { return fd_ >= 0; }
    const QString& Path() const { return path_; }
    // The path as the file system names it.
    const QByteArray& Name() const { return name_; }
    qint64 Size() const { return size_; }
    int Error() const { return error_; }
    FileId Id() const { return id_; }
    // Whether its path still leads to this file: false once the file, or a
    // folder above it, was removed, renamed or replaced since it was opened.
    bool IsStillAtItsPath() const;

    bool Append(QByteArrayView bytes);
    // Appends the first `length` bytes of another open file, in the kernel.
    bool AppendFrom(const AppendFile& source, qint64 length);
    // Up to `length` bytes from `offset`, for showing a part of the file.
    QByteArray ReadAt(qint64 offset, qint64 length) const;
    bool CutBackTo(qint64 size);
    // Gives the file a new name, which must not exist yet; the file stays open.
    bool MoveTo(const QString& path);
    // Removes the open file by its name and closes it.
    void Remove();

    void Close();

private:
    static AppendFile OpenWith(const QString& path, int flags);
    // Where the kernel cannot copy between the two files.
    bool CopyThroughBuffer(const AppendFile& source, qint64 length);

    int fd_ = -1;
    FileId id_;
    qint64 size_ = 0;
    int error_ = 0;
    QString path_;
    QByteArray name_;
};
