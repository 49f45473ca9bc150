#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// The whole message file as stored, read anew at every call; nothing when
// it is missing or cannot be opened or read.
std::optional<QByteArray> ReadMessageBytes(const QString& path);

// A text the viewer shows of a whole message file, with the position in it
// where each message of the file begins.
struct ShownText {
    QString text;
    QList<qsizetype> messageStarts;

    // Where the message-th message begins; the top for one the file lacks.
    qsizetype StartOf(int message) const { return messageStarts.value(message, 0); }
};

// The file as people read it, or as it is stored.
ShownText ReadableText(const QByteArray& file);
ShownText StoredText(const QByteArray& file);
