#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

// What a list of mail shows of one message besides its arrival: who sent it
// and what it is about, decoded as the readable form decodes header fields.
struct MessageHeadline {
    // The first mailbox of From: its display name, else its address.
    QString sender;
    QString subject;

    friend bool operator==(const MessageHeadline&, const MessageHeadline&) = default;
};

// The headline of one message's header block (its lines up to the first
// empty one, each ending in LF or CR LF). Each field is read as far as
// MaxFieldBytes and decoded as the readable form decodes it, its first
// MaxEncodedWords encoded words at most.
MessageHeadline HeadlineOf(QByteArrayView headerBlock);

// The headline of the index-th message (from 0) of the message file at
// path, as the file is split into messages for the readable form. The file
// is read only as far as that message's header block, and that no further
// than MaxHeadlineBytes, a piece of a line at a time: the messages before
// it cost a pass, never memory. Nothing when the file cannot be read or
// holds fewer messages.
std::optional<MessageHeadline> ReadMessageHeadline(const QString& path, int index);
