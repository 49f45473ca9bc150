#include "MessageAttachments.h"

#include "ReadableMessage.h"

QList<MessageAttachment> MessageAttachments(QByteArrayView message)
{
    MessageRenderer renderer(QByteArray::fromRawData(message.data(), message.size()),
                             MessageRenderer::AttachmentBytes::Kept);
    while (renderer.Step()) {
    }
    return renderer.Attachments();
}
