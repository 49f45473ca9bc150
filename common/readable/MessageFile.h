#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

// One message of a message file, as stored: its lines up to, not
// including, its end-of-data line ("." alone), still dot-stuffed. The file
// holds one or more messages; lines keep the ends they were sent with.
struct StoredMessage {
    QByteArrayView bytes;
    qsizetype next;  // where the next message starts
    bool dotStuffed; // a line of it starts with a dot
};

// The line "." alone, with its line end or without one, that ends a
// stored message.
bool IsEndOfDataLine(QByteArrayView line);
// A stored line as its sender wrote it: a line the client dot-stuffed
// loses its first dot.
QByteArrayView UnstuffedLine(QByteArrayView line);
// A line that opens a header field, "Name:" (RFC 5322), not counting a
// folded line that continues one.
bool IsHeaderField(QByteArrayView line);

// The message that starts at `from`. Text behind the last end-of-data line
// is one more message, which the caller may find blank.
StoredMessage NextStoredMessage(QByteArrayView file, qsizetype from);

// A stored message as its sender wrote it: a line the client dot-stuffed
// loses its first dot. When no line was, no copy is made: the result then
// shares `stored`'s bytes and must not outlive them.
QByteArray Unstuffed(const StoredMessage& stored);

// A message whose header block ends at a line that is no header field and
// no blank line, with its blank line put there, where its body begins.
// When none was missing, no copy is made, as above.
QByteArray WithHeaderBlockEnd(QByteArrayView message);

// Every message of a file, as their senders wrote them, and where each
// starts in the file. Text behind the last end-of-data line counts only
// when it is not blank.
struct SplitFile {
    QList<QByteArray> messages;
    QList<qsizetype> starts;
};
SplitFile SplitMessageFile(QByteArrayView file);
