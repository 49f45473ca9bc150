#include "MessageText.h"

#include "FileSystem.h"

std::optional<QByteArray> ReadMessageBytes(const QString& path)
{
    TextFile file = FileSystem().OpenForRead(path);
    if (!file.IsOpen()) {
        return std::nullopt;
    }
    const QByteArray bytes = file.ReadAllBytes();
    if (!file.Close()) {
        return std::nullopt;
    }
    return bytes;
}
