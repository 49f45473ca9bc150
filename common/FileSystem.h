#pragma once

#include "FileStamp.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QString>

#include <memory>
#include <optional>

// A text file opened for one operation: for appending (created when
// missing, never truncated) or for reading. Text goes through the system
// encoding; Write takes bytes and writes them untouched.
class TextFile {
public:
    TextFile() = default;
    TextFile(TextFile&&) noexcept;
    TextFile& operator=(TextFile&&) noexcept;
    ~TextFile();

    bool IsOpen() const;

    bool WriteLine(const QString& text);
    bool Write(const QByteArray& bytes);

    QString ReadLine();
    QByteArray ReadLineBytes();
    // Reads the next line's first bytes into `buffer`, fewer than its size,
    // with its LF when they reach it: a long line is read a piece at a time,
    // never whole, and no memory is taken per piece. The bytes read, a view
    // of `buffer`; none at the end of the file.
    QByteArrayView ReadLinePiece(QByteArray& buffer);
    bool AtEndOfStream() const;
    QString ReadAll();
    QByteArray ReadAllBytes();
    // Reading from a byte offset, at most maxSize bytes at a time: how a
    // long file is read a piece per event.
    bool Seek(qint64 offset);
    QByteArray ReadBytes(qint64 maxSize);

    // Flushes and closes; false when something could not be written.
    bool Close();

private:
    friend class FileSystem;
    explicit TextFile(std::unique_ptr<QFile> file);

    std::unique_ptr<QFile> file_;
    bool failed_ = false;
};

// The file and folder operations both programs use.
class FileSystem {
public:
    bool FolderExists(const QString& path) const;
    // Creates one folder whose parent exists, open to its owner only.
    bool CreateFolder(const QString& path) const;

    TextFile OpenForAppend(const QString& path) const;
    TextFile OpenForRead(const QString& path) const;

    FileStamp Stamp(const QString& path) const;

    // A whole file's bytes, opened and closed within the call; nothing when
    // it is not a file or cannot be read.
    std::optional<QByteArray> ReadWholeFile(const QString& path) const;
};
