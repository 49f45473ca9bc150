#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

// The messages of one message file, as their senders wrote them. The file
// holds one or more messages, each ended by its end-of-data line ("."
// alone); a line the client dot-stuffed loses its first dot. Lines keep
// the ends they were sent with. Text behind the last end-of-data line is
// one more message when it is not blank. An empty file holds none. With
// starts, the byte offset in the file where each message begins is listed
// there too.
QList<QByteArray> SplitMessageFile(QByteArrayView file, QList<qsizetype>* starts = nullptr);

// Where a message's header block ends at a line that is no header field
// and no blank line: there the body begins, and a blank line belongs. -1
// when the header block ends as it should.
qsizetype MissingBlankLineAt(QByteArrayView message);
