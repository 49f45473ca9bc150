#include "MimeOutline.h"

#include "GMimeSupport.h"
#include "LineEnds.h"
#include "ReadingLimits.h"

#include <initializer_list>
#include <optional>

namespace {

// GMime reads a line longer than its 4 KiB buffer a piece at a time and
// may take a piece's start for a boundary line: every this many bytes of
// a long line count as one more line that could open a part.
constexpr qsizetype LongLinePiece = 2048;

// The fields kept first of their kind in any header block.
enum FieldKind : unsigned {
    ReaderField = 1 << 8,  // read for the header block
    ContentField = 1 << 9, // read by GMime, cut when long
    ContentType = 1 << 10,
};

unsigned KindOf(QByteArrayView name)
{
    const std::initializer_list<std::pair<const char*, unsigned>> kinds = {
        {"From", ReaderField | 1},
        {"To", ReaderField | 2},
        {"Cc", ReaderField | 4},
        {"Date", ReaderField | 8},
        {"Subject", ReaderField | 16},
        {"Content-Type", ContentField | ContentType | 32},
        {"Content-Transfer-Encoding", ContentField | 64},
        {"Content-Disposition", ContentField | 128},
    };
    for (const auto& [known, kind] : kinds) {
        if (name.compare(known, Qt::CaseInsensitive) == 0) {
            return kind;
        }
    }
    return 0;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool IsWhiteSpace(char c)
{
    return IsBlank(c) || c == '\r' || c == '\n';
}

bool IsControl(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7F;
}

// The name of a header field line, as GMime reads it: the text before the
// first colon, which may end in blanks but holds no other blank nor a
// control character (and may be empty); nothing when the line is no field.
std::optional<QByteArrayView> FieldName(QByteArrayView text)
{
    bool blank = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == ':') {
            QByteArrayView name = text.first(i);
            while (!name.isEmpty() && IsBlank(name.back())) {
                name.chop(1);
            }
            return name;
        }
        if (IsBlank(text[i])) {
            blank = true;
        } else if (blank || IsControl(text[i])) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

bool OnlyWhiteSpaceFrom(QByteArrayView text, qsizetype from)
{
    for (qsizetype i = from; i < text.size(); ++i) {
        if (!IsWhiteSpace(text[i])) {
            return false;
        }
    }
    return true;
}

enum class Mark { None, Part, End };

// What a line is to a multipart whose marker ("--" and its boundary) is
// given: a boundary line opening a part, its closing line, or neither.
Mark BoundaryMark(QByteArrayView text, QByteArrayView marker)
{
    if (!text.startsWith(marker)) {
        return Mark::None;
    }
    if (text.sliced(marker.size()).startsWith("--") && OnlyWhiteSpaceFrom(text, marker.size() + 2)) {
        return Mark::End;
    }
    return OnlyWhiteSpaceFrom(text, marker.size()) ? Mark::Part : Mark::None;
}

// The boundary marker a Content-Type field (as it stands, name and line
// ends included) declares, as GMime reads it: the type from the raw value,
// the boundary from the value decoded; null for another type or none.
QByteArray DeclaredBoundary(QByteArrayView field)
{
    EnsureGMime();
    const QByteArray raw = field.sliced(field.indexOf(':') + 1).toByteArray();
    GPtr<GMimeContentType> rawType(g_mime_content_type_parse(nullptr, raw.constData()));
    if (!rawType || !g_mime_content_type_is_type(rawType.get(), "multipart", "*")) {
        return {};
    }
    const GString8 unfolded(g_mime_utils_header_unfold(raw.constData()));
    const GString8 value(g_mime_utils_header_decode_text(nullptr, unfolded.get()));
    GPtr<GMimeContentType> type(g_mime_content_type_parse(nullptr, value.get()));
    const char* boundary = type ? g_mime_content_type_get_parameter(type.get(), "boundary") : nullptr;
    return boundary ? QByteArray("--") + boundary : QByteArray();
}

// Where a field cut to MaxFieldBytes ends: after its last whole line that
// fits, else inside its first line (never between a CR and its LF).
qsizetype CutFieldEnd(QByteArrayView message, qsizetype start)
{
    const qsizetype lineEnd = message.sliced(start, MaxFieldBytes).lastIndexOf('\n');
    if (lineEnd >= 0) {
        return start + lineEnd + 1;
    }
    qsizetype end = start + MaxFieldBytes;
    while (end > start && message[end - 1] == '\r') {
        --end;
    }
    return end;
}

qsizetype LineEndLength(QByteArrayView bytes, qsizetype end)
{
    if (end >= 2 && bytes.sliced(end - 2, 2) == "\r\n") {
        return 2;
    }
    return end >= 1 && bytes[end - 1] == '\n' ? 1 : 0;
}

} // namespace

MimeOutline::MimeOutline(QByteArrayView message, qsizetype maxParts, int maxDepth)
    : message_(message), maxParts_(maxParts), maxDepth_(maxDepth)
{
}

bool MimeOutline::Step(qsizetype bytes)
{
    const qsizetype stop = at_ + bytes;
    while (!done_ && at_ < message_.size() && at_ < stop) {
        const qsizetype end = message_.indexOf('\n', at_);
        const qsizetype next = end < 0 ? message_.size() : end + 1;
        const QByteArrayView text = WithoutLineEnd(message_.sliced(at_, next - at_));
        boundaryLines_ += (text.startsWith("--") ? 1 : 0) + text.size() / LongLinePiece;
        if (boundaryLines_ > MaxBoundaryLines && cutFor_ == CutFor::Nothing) {
            CutAt(at_, CutFor::BoundaryLines);
            done_ = true;
            break;
        }
        if (BoundaryLine(text, at_)) {
            blockStart_ = next;
        } else if (inHeaders_) {
            HeaderLine(text, at_, next);
        }
        at_ = next;
        if (!inHeaders_ && frames_.isEmpty()) {
            at_ = message_.size(); // the rest is one part's content
        }
    }
    if (!done_ && at_ >= message_.size()) {
        if (inHeaders_ && blockStart_ == message_.size() && !frames_.isEmpty()) {
            --(cutFor_ != CutFor::Nothing ? partsLeftOut_ : parts_); // GMime makes no part of nothing
            inHeaders_ = false;
        }
        if (inHeaders_) {
            FinishField();
            EndHeaders();
        }
        if (cutFor_ == CutFor::Nothing) {
            parseEnd_ = message_.size();
        }
        done_ = true;
    }
    return !done_;
}

QByteArray MimeOutline::ParseInput() const
{
    if (leftOut_.isEmpty()) {
        return QByteArray::fromRawData(message_.data(), parseEnd_);
    }
    QByteArray input;
    input.reserve(parseEnd_);
    qsizetype from = 0;
    for (const auto& [start, end] : leftOut_) {
        input.append(message_.sliced(from, std::min(start, parseEnd_) - from));
        from = std::min(end, parseEnd_);
    }
    return input.append(message_.sliced(from, parseEnd_ - from));
}

// A line of a header block that is no boundary line, read the way GMime
// reads it: a blank line ends the block; a line that starts with a blank
// goes on with the field before; a line that cannot start a field is
// dropped while the block has no field yet, and otherwise kept as a field
// GMime ignores.
void MimeOutline::HeaderLine(QByteArrayView text, qsizetype lineStart, qsizetype next)
{
    if (text.isEmpty()) {
        FinishField();
        EndHeaders();
        return;
    }
    if (inField_ && IsBlank(text.front())) {
        field_.end = next;
        return;
    }
    FinishField();
    const std::optional<QByteArrayView> name = FieldName(text);
    if ((!name || text.startsWith(':')) && fields_ == 0) {
        return;
    }
    inField_ = true;
    field_ = {name ? KindOf(*name) : 0, name.has_value(), lineStart, next};
}

// The field read, as GMime will hold it: left out when it is no field, or
// when it is large or past MaxHeaderFields and not the first of a kind the
// reader needs; a Content field cut to MaxFieldBytes.
void MimeOutline::FinishField()
{
    if (!inField_) {
        return;
    }
    inField_ = false;
    const unsigned kind = field_.kind;
    const bool first = kind != 0 && (fieldsSeen_ & kind & 0xFF) == 0;
    const bool large = field_.end - field_.start > MaxFieldBytes;
    if (!field_.valid || (!first && (large || fields_ >= MaxHeaderFields))) {
        LeaveOut(field_.start, field_.end);
        return;
    }
    ++fields_;
    fieldsSeen_ |= kind;
    qsizetype kept = field_.end;
    if (large && (kind & ContentField)) {
        kept = CutFieldEnd(message_, field_.start);
        // A field cut inside its first line keeps its last line end.
        LeaveOut(kept, message_[kept - 1] == '\n' ? field_.end : field_.end - LineEndLength(message_, field_.end));
    }
    if (kind & ContentType) {
        // GMime takes the last Content-Type field of a block.
        declared_ = DeclaredBoundary(message_.sliced(field_.start, kept - field_.start));
    }
}

void MimeOutline::LeaveOut(qsizetype from, qsizetype to)
{
    if (from >= to) {
        return;
    }
    if (!leftOut_.isEmpty() && leftOut_.back().second == from) {
        leftOut_.back().second = to;
    } else {
        leftOut_.append({from, to});
    }
}

void MimeOutline::EndHeaders()
{
    inHeaders_ = false;
    if (!declared_.isNull()) {
        if (frames_.size() < maxDepth_) {
            frames_.append(declared_);
        } else if (cutFor_ == CutFor::Nothing) {
            --parts_; // the part is not parsed
            CutAt(entityLine_, CutFor::Nesting);
            done_ = true;
        }
    }
    declared_ = QByteArray();
}

bool MimeOutline::BoundaryLine(QByteArrayView text, qsizetype lineStart)
{
    if (!text.startsWith("--")) {
        return false;
    }
    for (qsizetype frame = frames_.size() - 1; frame >= 0; --frame) {
        const Mark mark = BoundaryMark(text, frames_[frame]);
        if (mark == Mark::None) {
            continue;
        }
        if (inHeaders_) {
            // It ends the header block. GMime leaves out a part without a
            // field; any other has no content, and the line is read again
            // as its first.
            FinishField();
            if (fields_ > 0) {
                EndHeaders();
                return done_ || BoundaryLine(text, lineStart);
            }
            --(cutFor_ != CutFor::Nothing ? partsLeftOut_ : parts_);
            inHeaders_ = false;
        }
        frames_.resize(mark == Mark::Part ? frame + 1 : frame);
        if (mark == Mark::Part) {
            StartPart(lineStart);
        }
        return true;
    }
    return false;
}

void MimeOutline::StartPart(qsizetype lineStart)
{
    inHeaders_ = true;
    fields_ = 0;
    fieldsSeen_ = 0;
    entityLine_ = lineStart;
    if (cutFor_ != CutFor::Nothing) {
        ++partsLeftOut_;
    } else if (parts_ == maxParts_) {
        CutAt(lineStart, CutFor::Parts);
        partsLeftOut_ = 1;
    } else {
        ++parts_;
    }
}

// GMime's parse ends just before the line, without the line end before it,
// which belongs to the boundary.
void MimeOutline::CutAt(qsizetype lineStart, CutFor reason)
{
    cutFor_ = reason;
    qsizetype end = lineStart;
    if (end > 0 && message_[end - 1] == '\n') {
        --end;
        if (end > 0 && message_[end - 1] == '\r') {
            --end;
        }
    }
    parseEnd_ = end;
}
