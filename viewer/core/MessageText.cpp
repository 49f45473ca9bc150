#include "MessageText.h"

#include "FileSystem.h"
#include "SystemText.h"

std::optional<QString> ReadMessageText(const QString& path)
{
    TextFile file = FileSystem().OpenForRead(path);
    if (!file.IsOpen()) {
        return std::nullopt;
    }
    const QByteArray bytes = file.ReadAllBytes();
    if (!file.Close()) {
        return std::nullopt;
    }
    return FromSystemBytes(bytes);
}
