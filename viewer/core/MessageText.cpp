#include "MessageText.h"

#include "FileSystem.h"
#include "SystemText.h"

std::optional<QString> ReadMessageText(const QString& path)
{
    const std::optional<QByteArray> bytes = FileSystem().ReadWholeFile(path);
    if (!bytes) {
        return std::nullopt;
    }
    return FromSystemBytes(*bytes);
}
