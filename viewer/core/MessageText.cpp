#include "MessageText.h"

#include "FileSystem.h"
#include "MessageFile.h"
#include "ReadableForm.h"
#include "SystemText.h"

std::optional<QByteArray> ReadMessageBytes(const QString& path)
{
    return FileSystem().ReadWholeFile(path);
}

ShownText ReadableText(const QByteArray& file)
{
    ReadableFile readable = ReadableFormOfFile(file);
    return {std::move(readable.text), std::move(readable.messageStarts)};
}

ShownText StoredText(const QByteArray& file)
{
    const QList<qsizetype> byteStarts = SplitMessageFile(file).starts;
    ShownText shown{FromSystemBytes(file), {}};
    // Each message begins on a line of its own, where decoding is in step.
    qsizetype decodedBytes = 0;
    qsizetype position = 0;
    for (const qsizetype start : byteStarts) {
        position += FromSystemBytes(QByteArrayView(file).sliced(decodedBytes, start - decodedBytes)).size();
        decodedBytes = start;
        shown.messageStarts.append(position);
    }
    return shown;
}
