#include "MessageText.h"

#include "FileSystem.h"

std::optional<QByteArray> ReadMessageBytes(const QString& path)
{
    return FileSystem().ReadWholeFile(path);
}
