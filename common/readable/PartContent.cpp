#include "PartContent.h"

#include "GMimeSupport.h"

#include <QByteArrayView>

#include <optional>

namespace {

QByteArray StreamBytes(GMimeStream* stream)
{
    GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(stream));
    return QByteArray(reinterpret_cast<const char*>(bytes->data), static_cast<qsizetype>(bytes->len));
}

QByteArray DecodedContent(GMimeDataWrapper* content)
{
    GPtr<GMimeStream> memory(g_mime_stream_mem_new());
    g_mime_data_wrapper_write_to_stream(content, memory.get());
    return StreamBytes(memory.get());
}

// The content's bytes as they stand in the parsed bytes, when the parser
// left them there (a window on the memory it read).
std::optional<QByteArrayView> ContentInPlace(GMimeDataWrapper* content)
{
    GMimeStream* stream = g_mime_data_wrapper_get_stream(content);
    if (!GMIME_IS_STREAM_MEM(stream)) {
        return std::nullopt;
    }
    GByteArray* buffer = GMIME_STREAM_MEM(stream)->buffer;
    g_mime_stream_reset(stream);
    const gint64 start = g_mime_stream_tell(stream);
    const gint64 length = g_mime_stream_length(stream);
    if (buffer == nullptr || start < 0 || length < 0 || start + length > static_cast<gint64>(buffer->len)) {
        return std::nullopt;
    }
    return QByteArrayView(reinterpret_cast<const char*>(buffer->data) + start, static_cast<qsizetype>(length));
}

QByteArray RawContent(GMimeDataWrapper* content)
{
    if (const std::optional<QByteArrayView> raw = ContentInPlace(content)) {
        return QByteArray::fromRawData(raw->data(), raw->size());
    }
    GMimeStream* raw = g_mime_data_wrapper_get_stream(content);
    GPtr<GMimeStream> memory(g_mime_stream_mem_new());
    g_mime_stream_reset(raw);
    g_mime_stream_write_to_stream(raw, memory.get());
    g_mime_stream_reset(raw);
    return StreamBytes(memory.get());
}

bool IsTransferEncoded(GMimeContentEncoding encoding)
{
    return encoding == GMIME_CONTENT_ENCODING_BASE64 || encoding == GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE ||
           encoding == GMIME_CONTENT_ENCODING_UUENCODE;
}

// Base64 with other characters than its alphabet was not base64 at all:
// decoding would only make noise of it.
bool IsCleanBase64(QByteArrayView raw)
{
    for (const char c : raw) {
        const bool alphabet = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                              c == '+' || c == '/' || c == '=';
        if (!alphabet && c != '\n' && c != '\r' && c != ' ' && c != '\t') {
            return false;
        }
    }
    return true;
}

} // namespace

QByteArray ContentBytes(GMimePart* part)
{
    GMimeDataWrapper* content = g_mime_part_get_content(part);
    if (content == nullptr) {
        return {};
    }
    const GMimeContentEncoding encoding = g_mime_data_wrapper_get_encoding(content);
    if (!IsTransferEncoded(encoding)) {
        return RawContent(content);
    }
    QByteArray bytes = DecodedContent(content);
    if (encoding == GMIME_CONTENT_ENCODING_BASE64) {
        const QByteArray raw = RawContent(content);
        if (!IsCleanBase64(raw) || (bytes.trimmed().isEmpty() && !raw.trimmed().isEmpty())) {
            bytes = raw;
        }
    }
    return bytes;
}

qint64 DecodedSize(GMimePart* part)
{
    GMimeDataWrapper* content = g_mime_part_get_content(part);
    if (content == nullptr) {
        return 0;
    }
    if (!IsTransferEncoded(g_mime_data_wrapper_get_encoding(content))) {
        return RawContent(content).size();
    }
    GPtr<GMimeStream> counter(g_mime_stream_null_new());
    g_mime_data_wrapper_write_to_stream(content, counter.get());
    return static_cast<qint64>(GMIME_STREAM_NULL(counter.get())->written);
}
