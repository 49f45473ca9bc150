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

// The content as a window on the bytes the parser read, when it is one.
struct ContentWindow {
    QByteArrayView parsed;
    qsizetype start = 0;
    qsizetype length = 0;
};

std::optional<ContentWindow> ContentInPlace(GMimeDataWrapper* content)
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
    return ContentWindow{QByteArrayView(reinterpret_cast<const char*>(buffer->data), static_cast<qsizetype>(buffer->len)),
                         static_cast<qsizetype>(start), static_cast<qsizetype>(length)};
}

QByteArray RawContent(GMimeDataWrapper* content)
{
    if (const std::optional<ContentWindow> window = ContentInPlace(content)) {
        return QByteArray::fromRawData(window->parsed.data() + window->start, window->length);
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

QByteArray EnclosedMessageBytes(GMimePart* part)
{
    QByteArray bytes = ContentBytes(part);
    if (bytes.isEmpty() || bytes.endsWith('\n')) {
        return bytes;
    }
    // Where the bytes are a window on those parsed, the line end is the
    // next byte or two there: the message is not copied.
    const std::optional<ContentWindow> window = ContentInPlace(g_mime_part_get_content(part));
    if (window && window->parsed.data() + window->start == bytes.constData()) {
        const QByteArrayView after = window->parsed.sliced(window->start + window->length);
        const qsizetype lineEnd = after.startsWith("\r\n") ? 2 : after.startsWith('\n') ? 1 : 0;
        if (lineEnd > 0) {
            return QByteArray::fromRawData(bytes.constData(), bytes.size() + lineEnd);
        }
    }
    return bytes.append("\r\n");
}
