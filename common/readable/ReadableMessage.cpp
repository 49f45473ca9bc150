#include "ReadableMessage.h"

#include "CharsetDetector.h"
#include "CharsetText.h"
#include "GMimeSupport.h"
#include "HeaderText.h"
#include "HtmlText.h"

#include <QByteArray>
#include <QList>

#include <algorithm>
#include <memory>

namespace {

constexpr int MaxNesting = 32;

const QString EnclosedMessageStart = QStringLiteral("-------- 転送されたメッセージ --------");
const QString EnclosedMessageEnd = QStringLiteral("-------- ここまで --------");

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

QByteArray RawContent(GMimeDataWrapper* content)
{
    GMimeStream* raw = g_mime_data_wrapper_get_stream(content);
    GPtr<GMimeStream> memory(g_mime_stream_mem_new());
    g_mime_stream_reset(raw);
    g_mime_stream_write_to_stream(raw, memory.get());
    g_mime_stream_reset(raw);
    return StreamBytes(memory.get());
}

qint64 DecodedSize(GMimeDataWrapper* content)
{
    GPtr<GMimeStream> counter(g_mime_stream_null_new());
    g_mime_data_wrapper_write_to_stream(content, counter.get());
    return static_cast<qint64>(GMIME_STREAM_NULL(counter.get())->written);
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

class Renderer {
public:
    explicit Renderer(GMimeParserOptions* options) : options_(options) {}

    // The message's own header fields and those GMime files under its
    // top-level part (Content-Type, ...), back in the order they came.
    void HeaderBlock(GMimeMessage* message)
    {
        QList<GMimeHeader*> headers;
        for (GMimeObject* object : {GMIME_OBJECT(message), g_mime_message_get_mime_part(message)}) {
            GMimeHeaderList* list = object ? g_mime_object_get_header_list(object) : nullptr;
            const int count = list ? g_mime_header_list_get_count(list) : 0;
            for (int i = 0; i < count; ++i) {
                headers.append(g_mime_header_list_get_header_at(list, i));
            }
        }
        std::stable_sort(headers.begin(), headers.end(), [](GMimeHeader* a, GMimeHeader* b) {
            return g_mime_header_get_offset(a) < g_mime_header_get_offset(b);
        });
        QByteArray headerCharset;
        for (GMimeHeader* header : headers) {
            const char* name = g_mime_header_get_name(header);
            QByteArray value = QByteArray(GString8(g_mime_utils_header_unfold(g_mime_header_get_raw_value(header)))
                                              .get())
                                   .trimmed();
            if (!value.isValidUtf8()) {
                if (headerCharset.isEmpty()) {
                    headerCharset = DetectCharset(AllRawValues(headers));
                }
                value = TextFromCharset(value, headerCharset.constData()).toUtf8();
            }
            text_ += QString::fromUtf8(name) + QStringLiteral(": ") + ReadableHeaderValue(options_, name, value) +
                     QLatin1Char('\n');
        }
    }

    void Body(GMimeObject* object, int depth = 0)
    {
        if (object == nullptr) {
            return;
        }
        if (depth > MaxNesting) {
            Attachment(object);
        } else if (GMIME_IS_MULTIPART(object)) {
            Multipart(GMIME_MULTIPART(object), depth);
        } else if (GMIME_IS_MESSAGE_PART(object)) {
            Enclosed(g_mime_message_part_get_message(GMIME_MESSAGE_PART(object)), depth);
        } else if (GMIME_IS_PART(object) && IsReadableText(GMIME_PART(object))) {
            Text(GMIME_PART(object));
        } else {
            Attachment(object);
        }
    }

    QString Result() const { return text_; }

private:
    static QByteArray AllRawValues(const QList<GMimeHeader*>& headers)
    {
        QByteArray all;
        for (GMimeHeader* header : headers) {
            all += g_mime_header_get_raw_value(header);
        }
        return all;
    }

    static bool IsReadableText(GMimePart* part)
    {
        GMimeContentType* type = g_mime_object_get_content_type(GMIME_OBJECT(part));
        return !g_mime_part_is_attachment(part) && (g_mime_content_type_is_type(type, "text", "plain") ||
                                                     g_mime_content_type_is_type(type, "text", "html"));
    }

    static bool IsType(GMimeObject* object, const char* type, const char* subtype)
    {
        return g_mime_content_type_is_type(g_mime_object_get_content_type(object), type, subtype);
    }

    // The plain text of an alternative, else its HTML, else its first
    // nested multipart; nothing when it offers none of these.
    static GMimeObject* ChosenAlternative(GMimeMultipart* multipart)
    {
        const int count = g_mime_multipart_get_count(multipart);
        for (const auto& [type, subtype] : {std::pair{"text", "plain"}, {"text", "html"}, {"multipart", "*"}}) {
            for (int i = 0; i < count; ++i) {
                GMimeObject* part = g_mime_multipart_get_part(multipart, i);
                const bool attachment = GMIME_IS_PART(part) && g_mime_part_is_attachment(GMIME_PART(part));
                if (IsType(part, type, subtype) && !attachment) {
                    return part;
                }
            }
        }
        return nullptr;
    }

    void Multipart(GMimeMultipart* multipart, int depth)
    {
        if (IsType(GMIME_OBJECT(multipart), "multipart", "alternative")) {
            if (GMimeObject* chosen = ChosenAlternative(multipart)) {
                Body(chosen, depth + 1);
                return;
            }
        }
        const int count = g_mime_multipart_get_count(multipart);
        for (int i = 0; i < count; ++i) {
            Body(g_mime_multipart_get_part(multipart, i), depth + 1);
        }
    }

    void Enclosed(GMimeMessage* message, int depth)
    {
        if (message == nullptr) {
            return;
        }
        StartBlock();
        text_ += EnclosedMessageStart + QLatin1Char('\n');
        HeaderBlock(message);
        text_ += QLatin1Char('\n');
        Body(g_mime_message_get_mime_part(message), depth + 1);
        StartBlock();
        text_ += EnclosedMessageEnd + QLatin1Char('\n');
    }

    void Text(GMimePart* part)
    {
        GMimeDataWrapper* content = g_mime_part_get_content(part);
        if (content == nullptr) {
            return;
        }
        QByteArray bytes = DecodedContent(content);
        if (g_mime_part_get_content_encoding(part) == GMIME_CONTENT_ENCODING_BASE64) {
            const QByteArray raw = RawContent(content);
            if (!IsCleanBase64(raw) || (bytes.trimmed().isEmpty() && !raw.trimmed().isEmpty())) {
                bytes = raw;
            }
        }
        const char* charset = g_mime_object_get_content_type_parameter(GMIME_OBJECT(part), "charset");
        QString text = TextFromCharset(bytes, charset);
        if (IsType(GMIME_OBJECT(part), "text", "html")) {
            text = PlainTextFromHtml(text);
        }
        StartBlock();
        text_ += text;
        EndLine();
    }

    void Attachment(GMimeObject* object)
    {
        QString name;
        qint64 size = 0;
        if (GMIME_IS_PART(object)) {
            const QByteArray fileName(g_mime_part_get_filename(GMIME_PART(object)));
            name = fileName.isValidUtf8() ? QString::fromUtf8(fileName) : TextOfUnknownCharset(fileName);
            if (GMimeDataWrapper* content = g_mime_part_get_content(GMIME_PART(object))) {
                size = DecodedSize(content);
            }
        }
        if (name.isEmpty()) {
            name = QStringLiteral("名前なし");
        }
        const QString type = FromGString(g_mime_content_type_get_mime_type(g_mime_object_get_content_type(object)));
        text_ += QStringLiteral("[添付] %1 (%2, %3 バイト)\n").arg(name, type).arg(size);
    }

    // A text block stands apart from what comes before it.
    void StartBlock()
    {
        if (!text_.isEmpty() && !text_.endsWith(QLatin1String("\n\n"))) {
            EndLine();
            text_ += QLatin1Char('\n');
        }
    }

    void EndLine()
    {
        if (!text_.isEmpty() && !text_.endsWith(QLatin1Char('\n'))) {
            text_ += QLatin1Char('\n');
        }
    }

    GMimeParserOptions* options_;
    QString text_;
};

struct ParserOptionsFree {
    void operator()(GMimeParserOptions* options) const { g_mime_parser_options_free(options); }
};

} // namespace

QString ReadableMessage(QByteArrayView message)
{
    EnsureGMime();
    const std::unique_ptr<GMimeParserOptions, ParserOptionsFree> options(g_mime_parser_options_new());
    g_mime_parser_options_set_rfc2047_compliance_mode(options.get(), GMIME_RFC_COMPLIANCE_LOOSE);
    g_mime_parser_options_set_parameter_compliance_mode(options.get(), GMIME_RFC_COMPLIANCE_LOOSE);

    GPtr<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(message.data(), static_cast<size_t>(message.size())));
    GPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
    g_mime_parser_set_format(parser.get(), GMIME_FORMAT_MESSAGE);
    GPtr<GMimeMessage> parsed(g_mime_parser_construct_message(parser.get(), options.get()));
    if (!parsed) {
        return TextOfUnknownCharset(message);
    }
    Renderer renderer(options.get());
    renderer.HeaderBlock(parsed.get());
    QString text = renderer.Result() + QLatin1Char('\n');
    Renderer body(options.get());
    body.Body(g_mime_message_get_mime_part(parsed.get()));
    return text + body.Result();
}
