#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

// One file a message carries.
struct MessageAttachment {
    // As the readable form names it; empty when the part gives no name.
    QString name;
    // The part's MIME type, "application/pdf".
    QString type;
    // The content with its transfer encoding undone, as the readable form
    // decodes it.
    QByteArray bytes;
};

// The parts of one message (as its sender wrote it) that its readable form
// lists as "[添付]" lines, in that order: found by the same walk, within
// the same limits (MaxParts, MaxNesting), enclosed messages included.
QList<MessageAttachment> MessageAttachments(QByteArrayView message);
