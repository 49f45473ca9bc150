#include "ReadableMessage.h"

#include "CalendarText.h"
#include "CharsetText.h"
#include "FlowedText.h"
#include "GMimeSupport.h"
#include "HeaderBlock.h"
#include "HtmlText.h"
#include "LineEnds.h"
#include "MessageFile.h"
#include "MimeParameters.h"
#include "PartFileName.h"

#include <QByteArray>
#include <QList>

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

// Decoded, and so the bytes as sent for 7bit and 8bit parts.
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

QString ContentTypeParameter(GMimeObject* object, const char* name)
{
    return ReadableParameter(RawHeader(object, "Content-Type"), QLatin1StringView(name));
}

bool IsType(GMimeObject* object, const char* type, const char* subtype)
{
    return g_mime_content_type_is_type(g_mime_object_get_content_type(object), type, subtype);
}

// RFC 2045 reads a bare "text" as text/plain; GMime makes it
// application/octet-stream.
bool IsBareText(GMimeObject* object)
{
    const QByteArray type = RawHeader(object, "Content-Type");
    const qsizetype semicolon = type.indexOf(';');
    return type.first(semicolon < 0 ? type.size() : semicolon).trimmed().compare("text", Qt::CaseInsensitive) == 0;
}

bool IsAttachment(GMimeObject* object)
{
    return GMIME_IS_PART(object) && g_mime_part_is_attachment(GMIME_PART(object));
}

bool IsReadableText(GMimeObject* object)
{
    return GMIME_IS_PART(object) && !IsAttachment(object) &&
           (IsType(object, "text", "plain") || IsType(object, "text", "html") || IsBareText(object));
}

// The plain text of an alternative, else its HTML, else its first nested
// multipart; nothing when it offers none of these.
GMimeObject* ChosenAlternative(GMimeMultipart* multipart)
{
    const int count = g_mime_multipart_get_count(multipart);
    for (const auto& [type, subtype] : {std::pair{"text", "plain"}, {"text", "html"}, {"multipart", "*"}}) {
        for (int i = 0; i < count; ++i) {
            GMimeObject* part = g_mime_multipart_get_part(multipart, i);
            if (IsType(part, type, subtype) && !IsAttachment(part)) {
                return part;
            }
        }
    }
    return nullptr;
}

// The transfer-decoded bytes of a part; the bytes as sent when they were
// no transfer encoding at all.
QByteArray ContentBytes(GMimePart* part)
{
    GMimeDataWrapper* content = g_mime_part_get_content(part);
    if (content == nullptr) {
        return {};
    }
    QByteArray bytes = DecodedContent(content);
    if (g_mime_part_get_content_encoding(part) == GMIME_CONTENT_ENCODING_BASE64) {
        const QByteArray raw = RawContent(content);
        if (!IsCleanBase64(raw) || (bytes.trimmed().isEmpty() && !raw.trimmed().isEmpty())) {
            bytes = raw;
        }
    }
    return bytes;
}

QString PartText(GMimePart* part, const QByteArray& defaultCharset = QByteArray())
{
    GMimeObject* object = GMIME_OBJECT(part);
    const QByteArray charset = ContentTypeParameter(object, "charset").toLatin1();
    const QString text =
        WithLfLineEnds(TextFromCharset(ContentBytes(part), charset.isEmpty() ? defaultCharset : charset));
    if (IsType(object, "text", "html")) {
        return PlainTextFromHtml(text);
    }
    if (ContentTypeParameter(object, "format").compare(u"flowed", Qt::CaseInsensitive) == 0) {
        return UnflowedText(text, ContentTypeParameter(object, "delsp").compare(u"yes", Qt::CaseInsensitive) == 0);
    }
    return text;
}

// The readable form of a message, one piece at a time: a header block, a
// MIME part, or a line of its own. Parts waiting their turn are held in a
// list rather than on the call stack, so that nesting costs no stack.
class MessageRenderer {
public:
    explicit MessageRenderer(GMimeMessage* message)
    {
        pending_.append({Piece::Part, nullptr, g_mime_message_get_mime_part(message), {}, 0});
        pending_.append({Piece::Header, message, nullptr, {}, 0});
    }

    // Renders the next piece; false when none is left.
    bool Step()
    {
        if (pending_.isEmpty()) {
            return false;
        }
        const Piece piece = pending_.takeLast();
        switch (piece.kind) {
        case Piece::Header:
            Header(piece.message);
            break;
        case Piece::Part:
            Part(piece.object, piece.depth);
            break;
        case Piece::Line:
            StartBlock();
            text_ += piece.line + u'\n';
            break;
        }
        return true;
    }

    QString Text() const { return text_; }

private:
    struct Piece {
        enum Kind { Header, Part, Line } kind;
        GMimeMessage* message;
        GMimeObject* object;
        QString line;
        int depth;
    };

    void Header(GMimeMessage* message)
    {
        const QString block = ReaderHeaderBlock(message);
        if (!block.isEmpty()) {
            text_ += block + u'\n';
        }
    }

    void Part(GMimeObject* object, int depth)
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
        } else if (IsReadableText(object)) {
            Block(PartText(GMIME_PART(object)));
        } else if (!GMIME_IS_PART(object) || !IsType(object, "text", "calendar") || !Calendar(GMIME_PART(object))) {
            Attachment(object);
        }
    }

    // Children are queued last first, so the first is rendered next. An
    // alternative's calendar goes beside the chosen text: plain texts of
    // invitations seldom say when and where.
    void Multipart(GMimeMultipart* multipart, int depth)
    {
        QList<GMimeObject*> children;
        const int count = g_mime_multipart_get_count(multipart);
        GMimeObject* chosen = nullptr;
        if (IsType(GMIME_OBJECT(multipart), "multipart", "alternative")) {
            chosen = ChosenAlternative(multipart);
        }
        for (int i = 0; i < count; ++i) {
            GMimeObject* child = g_mime_multipart_get_part(multipart, i);
            if (chosen == nullptr || child == chosen || IsType(child, "text", "calendar")) {
                children.append(child);
            }
        }
        for (qsizetype i = children.size() - 1; i >= 0; --i) {
            pending_.append({Piece::Part, nullptr, children[i], {}, depth + 1});
        }
    }

    void Enclosed(GMimeMessage* message, int depth)
    {
        if (message == nullptr) {
            return;
        }
        pending_.append({Piece::Line, nullptr, nullptr, EnclosedMessageEnd, depth});
        pending_.append({Piece::Part, nullptr, g_mime_message_get_mime_part(message), {}, depth + 1});
        pending_.append({Piece::Header, message, nullptr, {}, depth});
        pending_.append({Piece::Line, nullptr, nullptr, EnclosedMessageStart, depth});
    }

    bool Calendar(GMimePart* part)
    {
        const QString events = CalendarText(PartText(part, QByteArrayLiteral("UTF-8")));
        if (events.isEmpty()) {
            return false;
        }
        Block(events);
        return true;
    }

    void Attachment(GMimeObject* object)
    {
        QString name = ReadableFileName(object);
        qint64 size = 0;
        if (GMIME_IS_PART(object)) {
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

    void Block(const QString& text)
    {
        StartBlock();
        text_ += text;
        EndLine();
    }

    // A text block stands apart from what comes before it.
    void StartBlock()
    {
        if (!text_.isEmpty() && !text_.endsWith(QLatin1String("\n\n"))) {
            EndLine();
            text_ += u'\n';
        }
    }

    void EndLine()
    {
        if (!text_.isEmpty() && !text_.endsWith(u'\n')) {
            text_ += u'\n';
        }
    }

    QList<Piece> pending_; // the next piece last
    QString text_;
};

} // namespace

QString ReadableMessage(QByteArrayView message)
{
    if (message.trimmed().isEmpty()) {
        return {};
    }
    EnsureGMime();
    QByteArray shaped;
    if (const qsizetype body = MissingBlankLineAt(message); body >= 0) {
        shaped.reserve(message.size() + 2);
        shaped.append(message.first(body)).append("\r\n").append(message.sliced(body));
        message = shaped;
    }
    GPtr<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(message.data(), static_cast<size_t>(message.size())));
    GPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
    g_mime_parser_set_format(parser.get(), GMIME_FORMAT_MESSAGE);
    GPtr<GMimeMessage> parsed(g_mime_parser_construct_message(parser.get(), nullptr));
    if (!parsed) {
        return WithLfLineEnds(TextOfUnknownCharset(message));
    }
    MessageRenderer renderer(parsed.get());
    while (renderer.Step()) {
    }
    return renderer.Text();
}
