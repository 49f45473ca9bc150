#include "MessageAttachments.h"

#include "PartFileName.h"
#include "MessageParsing.h"
#include "MimeEntity.h"

namespace {

// As deep as the readable form follows nested parts.
constexpr int MaxNesting = 32;

QByteArray DecodedBytes(GMimePart* part)
{
    GMimeDataWrapper* content = g_mime_part_get_content(part);
    if (content == nullptr) {
        return {};
    }
    GPtr<GMimeStream> memory(g_mime_stream_mem_new());
    g_mime_data_wrapper_write_to_stream(content, memory.get());
    const GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(memory.get()));
    return QByteArray(reinterpret_cast<const char*>(bytes->data), static_cast<qsizetype>(bytes->len));
}

// Text the readable form shows in place rather than as an attachment.
bool IsShownText(GMimePart* part)
{
    GMimeContentType* type = g_mime_object_get_content_type(GMIME_OBJECT(part));
    return !g_mime_part_is_attachment(part) &&
           (g_mime_content_type_is_type(type, "text", "plain") || g_mime_content_type_is_type(type, "text", "html"));
}

bool IsEnclosedMessage(GMimeObject* object)
{
    GMimeContentType* type = g_mime_object_get_content_type(object);
    for (const char* subtype : {"rfc822", "rfc2822", "global", "news"}) {
        if (g_mime_content_type_is_type(type, "message", subtype)) {
            return true;
        }
    }
    return false;
}

void Collect(GMimeObject* object, int depth, QList<MessageAttachment>& attachments)
{
    if (object == nullptr || depth > MaxNesting) {
        return;
    }
    if (GMIME_IS_MULTIPART(object)) {
        GMimeMultipart* multipart = GMIME_MULTIPART(object);
        for (int i = 0; i < g_mime_multipart_get_count(multipart); ++i) {
            Collect(g_mime_multipart_get_part(multipart, i), depth + 1, attachments);
        }
    } else if (GMIME_IS_MESSAGE_PART(object)) {
        GMimeMessage* message = g_mime_message_part_get_message(GMIME_MESSAGE_PART(object));
        Collect(message ? g_mime_message_get_mime_part(message) : nullptr, depth + 1, attachments);
    } else if (GMIME_IS_PART(object) && IsEnclosedMessage(object)) {
        // GMime leaves enclosed messages to the reader as plain parts.
        const QByteArray bytes = DecodedBytes(GMIME_PART(object));
        const MimeEntity enclosed(bytes);
        Collect(enclosed.Root(), depth + 1, attachments);
    } else if (GMIME_IS_PART(object) && !IsShownText(GMIME_PART(object))) {
        GMimePart* part = GMIME_PART(object);
        attachments.append(
            {ReadableFileName(object),
             FromGString(g_mime_content_type_get_mime_type(g_mime_object_get_content_type(object))),
             DecodedBytes(part)});
    }
}

} // namespace

QList<MessageAttachment> MessageAttachments(QByteArrayView message)
{
    const GPtr<GMimeMessage> parsed = ParseMessage(message);
    QList<MessageAttachment> attachments;
    if (parsed) {
        Collect(g_mime_message_get_mime_part(parsed.get()), 0, attachments);
    }
    return attachments;
}
