#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

// The messages of one message file, as their senders wrote them. The file
// holds one or more messages, each ended by its end-of-data line ("."
// alone); a line the client dot-stuffed loses its first dot. Lines end in
// LF. Text behind the last end-of-data line is one more message when it is
// not blank. An empty file holds none. With starts, the byte offset in the
// file where each message begins is listed there too.
QList<QByteArray> SplitMessageFile(QByteArrayView file, QList<qsizetype>* starts = nullptr);
