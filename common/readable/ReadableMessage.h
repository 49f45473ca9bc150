#pragma once

#include "MessageAttachments.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>

// The text a person reads of one message (LF line ends): the reader's
// header block, a blank line and the body. Text parts are transfer-decoded
// and converted from their charsets; format=flowed text is rejoined; an
// alternative shows its plain text, or its HTML as text; a calendar shows
// its events; an enclosed message is shown the same way between two rules;
// every other part is one "[添付] " line with its name, type and size.
// Whatever cannot be decoded is shown as it was sent; a message with
// nothing readable shows its raw text. Empty for an empty message.
// Bounded by ReadingLimits.h, saying so where a limit cuts.
//
// Rendered one piece at a time: a slice of the MIME outline, the parse of
// one message within its limits, a header block, one part, or a slice of
// raw text; so a caller can stop between any two.
class MessageRenderer {
public:
    // Whether the parts listed as attachments are also kept, with their
    // decoded bytes, for Attachments().
    enum class AttachmentBytes { Dropped, Kept };

    // The message as its sender wrote it (Unstuffed); bytes it shares
    // must outlive the renderer.
    explicit MessageRenderer(QByteArray message, AttachmentBytes attachmentBytes = AttachmentBytes::Dropped);
    ~MessageRenderer();
    MessageRenderer(const MessageRenderer&) = delete;
    MessageRenderer& operator=(const MessageRenderer&) = delete;

    // Renders the next piece; false once none is left.
    bool Step();
    bool Done() const;
    // The text rendered so far.
    const QString& Text() const;
    // The text, taken away.
    QString TakeText();
    // The parts listed as "[添付]" lines so far, in that order, when kept.
    const QList<MessageAttachment>& Attachments() const;

private:
    class Pieces;
    std::unique_ptr<Pieces> pieces_;
};
