#include "FileSystem.h"

#include "SystemText.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

TextFile::TextFile(std::unique_ptr<QFile> file) : file_(std::move(file)) {}
TextFile::TextFile(TextFile&&) noexcept = default;
TextFile& TextFile::operator=(TextFile&&) noexcept = default;
TextFile::~TextFile()
{
    Close();
}

bool TextFile::IsOpen() const
{
    return file_ && file_->isOpen();
}

bool TextFile::WriteLine(const QString& text)
{
    return Write(ToSystemBytes(text) + "\r\n");
}

bool TextFile::Write(const QByteArray& bytes)
{
    if (!IsOpen()) {
        return false;
    }
    if (file_->write(bytes) != bytes.size()) {
        failed_ = true;
    }
    return !failed_;
}

QByteArray TextFile::ReadLineBytes()
{
    if (!IsOpen()) {
        return {};
    }
    QByteArray line = file_->readLine();
    if (line.endsWith('\n')) {
        line.chop(1);
        if (line.endsWith('\r')) {
            line.chop(1);
        }
    }
    return line;
}

QString TextFile::ReadLine()
{
    return FromSystemBytes(ReadLineBytes());
}

QByteArrayView TextFile::ReadLinePiece(QByteArray& buffer)
{
    const qint64 read = IsOpen() ? file_->readLine(buffer.data(), buffer.size()) : -1;
    return QByteArrayView(buffer.constData(), std::max<qint64>(read, 0));
}

bool TextFile::AtEndOfStream() const
{
    return !IsOpen() || file_->atEnd();
}

QByteArray TextFile::ReadAllBytes()
{
    return IsOpen() ? file_->readAll() : QByteArray();
}

bool TextFile::Seek(qint64 offset)
{
    return IsOpen() && file_->seek(offset);
}

QByteArray TextFile::ReadBytes(qint64 maxSize)
{
    return IsOpen() ? file_->read(maxSize) : QByteArray();
}

QString TextFile::ReadAll()
{
    return FromSystemBytes(ReadAllBytes());
}

bool TextFile::Close()
{
    if (!file_) {
        return !failed_;
    }
    if (file_->isOpen()) {
        if (file_->openMode() & QIODevice::WriteOnly) {
            if (!file_->flush()) {
                failed_ = true;
            }
        }
        file_->close();
        if (file_->error() != QFileDevice::NoError) {
            failed_ = true;
        }
    }
    file_.reset();
    return !failed_;
}

bool FileSystem::FolderExists(const QString& path) const
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

bool FileSystem::CreateFolder(const QString& path) const
{
    return QDir().mkdir(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TextFile FileSystem::OpenForAppend(const QString& path) const
{
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        return TextFile();
    }
    return TextFile(std::move(file));
}

TextFile FileSystem::OpenForRead(const QString& path) const
{
    auto file = std::make_unique<QFile>(path);
    if (!QFileInfo(path).isFile() || !file->open(QIODevice::ReadOnly)) {
        return TextFile();
    }
    return TextFile(std::move(file));
}

FileStamp FileSystem::Stamp(const QString& path) const
{
    const QFileInfo info(path);
    if (!info.exists()) {
        return {};
    }
    return {true, info.fileTime(QFileDevice::FileModificationTime), info.size()};
}

std::optional<QByteArray> FileSystem::ReadWholeFile(const QString& path) const
{
    TextFile file = OpenForRead(path);
    if (!file.IsOpen()) {
        return std::nullopt;
    }
    QByteArray bytes = file.ReadAllBytes();
    if (!file.Close()) {
        return std::nullopt;
    }
    return bytes;
}
