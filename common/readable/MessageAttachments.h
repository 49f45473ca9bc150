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
    // The content with its transfer encoding undone.
    QByteArray bytes;
};

// Every part of one message that is not shown as its text, in the order
// they come, from nested multiparts and enclosed messages too: the parts
// the readable form lists as attachments, and the pictures and other parts
// that go with a text. Nothing when the message cannot be parsed as MIME.
QList<MessageAttachment> MessageAttachments(QByteArrayView message);
