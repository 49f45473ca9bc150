#include "ReadableMessage.h"

#include "CalendarText.h"
#include "CharsetText.h"
#include "FlowedText.h"
#include "GMimeSupport.h"
#include "HeaderBlock.h"
#include "HtmlText.h"
#include "LeftOutLines.h"
#include "LineEnds.h"
#include "MessageFile.h"
#include "MimeEntity.h"
#include "MimeOutline.h"
#include "MimeParameters.h"
#include "PartContent.h"
#include "PartFileName.h"
#include "ReadingLimits.h"

#include <QList>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

const QString EnclosedMessageStart = QStringLiteral("-------- 転送されたメッセージ --------");
const QString EnclosedMessageEnd = QStringLiteral("-------- ここまで --------");

bool IsBlank(QByteArrayView bytes)
{
    return bytes.trimmed().isEmpty();
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

// The types GMime would parse as an enclosed message (EnsureGMime keeps
// them leaf parts).
bool IsEnclosedMessage(GMimeObject* object)
{
    return GMIME_IS_PART(object) && (IsType(object, "message", "rfc822") || IsType(object, "message", "rfc2822") ||
                                     IsType(object, "message", "global") || IsType(object, "message", "news"));
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

// The first `limit` bytes or more of `bytes` from `from`, ended after a
// line end where there is one, so that no character is cut in two.
QByteArrayView Slice(QByteArrayView bytes, qsizetype from, qsizetype limit)
{
    const QByteArrayView rest = bytes.sliced(from);
    if (rest.size() <= limit) {
        return rest;
    }
    const qsizetype lineEnd = rest.first(limit).lastIndexOf('\n');
    return rest.first(lineEnd < 0 ? limit : lineEnd + 1);
}

// One message being rendered, the top one or an enclosed one, with the
// outline that bounds its parse and, once parsed, its parts.
struct Message {
    Message(QByteArray sent, int rootDepth, qsizetype maxParts)
        : owner(std::move(sent)),
          bytes(WithHeaderBlockEnd(owner)),
          depth(rootDepth),
          outline(bytes, maxParts, MaxNesting - rootDepth)
    {
    }

    QByteArray owner; // the bytes as sent, which the others may share
    QByteArray bytes;
    int depth; // of its root entity
    MimeOutline outline;
    QByteArray parsed; // what GMime parses
    std::unique_ptr<MimeEntity> entity;
};

} // namespace

// The pieces waiting their turn are held in a list rather than on the
// call stack, so that nesting costs no stack; the next piece is the last.
class MessageRenderer::Pieces {
public:
    Pieces(QByteArray message, AttachmentBytes attachmentBytes) : keepAttachments_(attachmentBytes == AttachmentBytes::Kept)
    {
        if (IsBlank(message)) {
            return;
        }
        Queue(Piece::Fallback);
        Open(std::move(message), 0);
        sent_ = messages_.back()->owner;
    }

    bool Step()
    {
        if (pending_.isEmpty()) {
            return false;
        }
        Piece piece = pending_.takeLast();
        switch (piece.kind) {
        case Piece::Outline:
            Queue(messages_.back()->outline.Step(StepBytes) ? Piece::Outline : Piece::Parse);
            break;
        case Piece::Parse:
            Parse();
            break;
        case Piece::Header:
            Header(piece.object);
            break;
        case Piece::Part:
            Part(piece.object, piece.depth);
            break;
        case Piece::Line:
            StartBlock();
            text_ += piece.line + u'\n';
            break;
        case Piece::Close:
            Close();
            break;
        case Piece::Release:
            messages_.pop_back();
            break;
        case Piece::Raw:
            Raw(std::move(piece));
            break;
        case Piece::Fallback:
            Fallback();
            break;
        }
        return !pending_.isEmpty();
    }

    bool Done() const { return pending_.isEmpty(); }
    const QString& Text() const { return text_; }
    const QList<MessageAttachment>& Attachments() const { return attachments_; }
    QString TakeText() { return std::exchange(text_, QString()); }

private:
    struct Piece {
        enum Kind { Outline, Parse, Header, Part, Line, Close, Release, Raw, Fallback } kind = Outline;
        GMimeObject* object = nullptr;
        int depth = 0;
        QString line;
        QByteArray bytes; // raw text, shown from `offset`
        qsizetype offset = 0;
    };

    void Open(QByteArray message, int depth)
    {
        messages_.push_back(std::make_unique<Message>(std::move(message), depth, partsLeft_));
        Queue(Piece::Outline);
    }

    // The message parsed up to where its outline says; then its header
    // block, its parts, and what its limits left out.
    void Parse()
    {
        Message& message = *messages_.back();
        partsLeft_ -= message.outline.Parts();
        message.parsed = message.outline.ParseInput();
        message.entity = std::make_unique<MimeEntity>(message.parsed);
        GMimeObject* root = message.entity->Root();
        Queue(Piece::Release);
        Queue(Piece::Close);
        if (root == nullptr) {
            QueueRaw(message.bytes);
            return;
        }
        Queue(Piece::Part, root, message.depth);
        Queue(Piece::Header, root);
    }

    void Close()
    {
        const Message& message = *messages_.back();
        const MimeOutline::CutFor cut = message.outline.CutReason();
        if (cut == MimeOutline::CutFor::Nesting || cut == MimeOutline::CutFor::BoundaryLines) {
            const qsizetype rest = message.bytes.indexOf('\n', message.outline.ParseEnd()) + 1;
            QueueRaw(QByteArray::fromRawData(message.bytes.constData() + rest, message.bytes.size() - rest));
            QueueLine(cut == MimeOutline::CutFor::Nesting ? NestingLeftOutLine() : BoundaryLinesLeftOutLine());
        } else if (message.outline.PartsLeftOut() > 0) {
            QueueLine(PartsLeftOutLine(message.outline.PartsLeftOut()));
        }
    }

    void Header(GMimeObject* message)
    {
        const QString block = ReaderHeaderBlock(message);
        if (!block.isEmpty()) {
            text_ += block + u'\n';
        }
    }

    void Part(GMimeObject* object, int depth)
    {
        if (GMIME_IS_MULTIPART(object)) {
            Multipart(GMIME_MULTIPART(object), depth);
        } else if (IsEnclosedMessage(object)) {
            Enclosed(GMIME_PART(object), depth);
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
            Queue(Piece::Part, children[i], depth + 1);
        }
    }

    // The enclosed message is parsed when its turn comes, within the
    // limits its enclosing messages left. Its bytes live as long as the
    // enclosing message, which is released after it.
    void Enclosed(GMimePart* part, int depth)
    {
        QByteArray bytes = EnclosedMessageBytes(part);
        if (IsBlank(bytes)) {
            return;
        }
        if (depth + 1 >= MaxNesting) {
            QueueRaw(std::move(bytes));
            QueueLine(NestingLeftOutLine());
            return;
        }
        QueueLine(EnclosedMessageEnd);
        Open(std::move(bytes), depth + 1);
        QueueLine(EnclosedMessageStart);
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
        const QString name = ReadableFileName(object);
        const qint64 size = GMIME_IS_PART(object) ? DecodedSize(GMIME_PART(object)) : 0;
        const QString type = FromGString(g_mime_content_type_get_mime_type(g_mime_object_get_content_type(object)));
        text_ += QStringLiteral("[添付] %1 (%2, %3 バイト)\n")
                     .arg(name.isEmpty() ? QStringLiteral("名前なし") : name, type)
                     .arg(size);
        if (keepAttachments_) {
            QByteArray bytes = GMIME_IS_PART(object) ? ContentBytes(GMIME_PART(object)) : QByteArray();
            bytes.detach(); // the message it came from is released first
            attachments_.append({name, type, std::move(bytes)});
        }
    }

    // Raw text, a slice per step, up to MaxFlatBytes.
    void Raw(Piece piece)
    {
        const QByteArrayView slice = Slice(piece.bytes, piece.offset, StepBytes);
        text_ += WithLfLineEnds(TextOfUnknownCharset(slice));
        piece.offset += slice.size();
        const qsizetype left = piece.bytes.size() - piece.offset;
        if (left > 0 && piece.offset < MaxFlatBytes) {
            pending_.append(std::move(piece));
            return;
        }
        EndLine();
        if (left > 0) {
            text_ += RawTextLeftOutLine(left) + u'\n';
        }
    }

    // A message with nothing readable shows its raw text instead.
    void Fallback()
    {
        if (!std::all_of(text_.cbegin(), text_.cend(), [](QChar c) { return c.isSpace(); })) {
            return;
        }
        text_.clear();
        const QByteArrayView trimmed = QByteArrayView(sent_).trimmed();
        QueueRaw(QByteArray::fromRawData(trimmed.data(), trimmed.size()));
    }

    void Queue(Piece::Kind kind, GMimeObject* object = nullptr, int depth = 0)
    {
        Piece piece;
        piece.kind = kind;
        piece.object = object;
        piece.depth = depth;
        pending_.append(std::move(piece));
    }

    void QueueRaw(QByteArray bytes)
    {
        Queue(Piece::Raw);
        pending_.back().bytes = std::move(bytes);
    }

    void QueueLine(const QString& line)
    {
        Queue(Piece::Line);
        pending_.back().line = line;
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

    QByteArray sent_;
    QList<Piece> pending_;
    std::vector<std::unique_ptr<Message>> messages_; // the innermost last
    qsizetype partsLeft_ = MaxParts;
    QString text_;
    bool keepAttachments_;
    QList<MessageAttachment> attachments_;
};

MessageRenderer::MessageRenderer(QByteArray message, AttachmentBytes attachmentBytes)
    : pieces_(std::make_unique<Pieces>(std::move(message), attachmentBytes))
{
}

MessageRenderer::~MessageRenderer() = default;

bool MessageRenderer::Step()
{
    return pieces_->Step();
}

bool MessageRenderer::Done() const
{
    return pieces_->Done();
}

const QString& MessageRenderer::Text() const
{
    return pieces_->Text();
}

QString MessageRenderer::TakeText()
{
    return pieces_->TakeText();
}

const QList<MessageAttachment>& MessageRenderer::Attachments() const
{
    return pieces_->Attachments();
}
