#include "MimeOutline.h"

#include "GMimeSupport.h"
#include "ReadingLimits.h"

#include <initializer_list>

namespace {

// GMime judges a line longer than its read buffer by the start it holds:
// past this many bytes, anything may follow a boundary.
constexpr qsizetype LongLine = 1024;

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

QByteArrayView WithoutLineEnd(QByteArrayView line)
{
    if (line.endsWith('\n')) {
        line.chop(1);
    }
    if (line.endsWith('\r')) {
        line.chop(1);
    }
    return line;
}

// The name of a header field line ("Name:", blanks allowed before the
// colon); empty when the line is no header field.
QByteArrayView FieldName(QByteArrayView text)
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
            return {};
        }
    }
    return {};
}

bool OnlyWhiteSpaceFrom(QByteArrayView text, qsizetype from)
{
    for (qsizetype i = from; i < text.size(); ++i) {
        if (!IsWhiteSpace(text[i])) {
            return i >= LongLine;
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
// ends included) declares, as GMime reads it; null for another type or
// none.
QByteArray DeclaredBoundary(QByteArrayView field)
{
    EnsureGMime();
    const QByteArray value = field.sliced(field.indexOf(':') + 1).toByteArray();
    GPtr<GMimeContentType> type(g_mime_content_type_parse(nullptr, value.constData()));
    const char* boundary = type && g_mime_content_type_is_type(type.get(), "multipart", "*")
                               ? g_mime_content_type_get_parameter(type.get(), "boundary")
                               : nullptr;
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
        if (!BoundaryLine(text, at_) && inHeaders_) {
            HeaderLine(text, at_, next);
        }
        at_ = next;
        if (!inHeaders_ && frames_.isEmpty()) {
            at_ = message_.size(); // the rest is one part's content
        }
    }
    if (!done_ && at_ >= message_.size()) {
        if (inHeaders_) {
            FinishField();
            EndHeaders();
        }
        if (!cut_) {
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
    const QByteArrayView name = FieldName(text);
    if (name.isEmpty()) {
        // A line that is no field ends a header block that holds one (its
        // body starts there); before the first field it is dropped.
        if (fields_ > 0) {
            EndHeaders();
        }
        return;
    }
    inField_ = true;
    field_ = {KindOf(name), lineStart, next};
}

void MimeOutline::FinishField()
{
    if (!inField_) {
        return;
    }
    inField_ = false;
    const qsizetype index = fields_++;
    const unsigned kind = field_.kind;
    const bool first = kind != 0 && (fieldsSeen_ & kind & 0xFF) == 0;
    fieldsSeen_ |= kind;
    const bool large = field_.end - field_.start > MaxFieldBytes;
    qsizetype kept = field_.end;
    if (first && large && (kind & ContentField)) {
        kept = CutFieldEnd(message_, field_.start);
        // A field cut inside its first line keeps its last line end.
        LeaveOut(kept, message_[kept - 1] == '\n' ? field_.end : field_.end - LineEndLength(message_, field_.end));
    } else if (!first && (large || index >= MaxHeaderFields)) {
        LeaveOut(field_.start, field_.end);
        return;
    }
    if (kind & ContentType) {
        const QByteArray boundary = DeclaredBoundary(message_.sliced(field_.start, kept - field_.start));
        if (!boundary.isNull()) {
            declared_.append(boundary);
        }
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
    if (!declared_.isEmpty()) {
        if (frames_.size() < maxDepth_) {
            frames_.append(declared_);
        } else if (!cut_) {
            --parts_; // the part is not parsed
            Cut(entityLine_);
            tooDeep_ = true;
            done_ = true;
        }
    }
    declared_.clear();
}

bool MimeOutline::BoundaryLine(QByteArrayView text, qsizetype lineStart)
{
    if (!text.startsWith("--")) {
        return false;
    }
    for (qsizetype frame = frames_.size() - 1; frame >= 0; --frame) {
        for (const QByteArray& marker : frames_[frame]) {
            const Mark mark = BoundaryMark(text, marker);
            if (mark == Mark::None) {
                continue;
            }
            // The part whose header block was being read ends here.
            inField_ = false;
            declared_.clear();
            inHeaders_ = false;
            frames_.resize(mark == Mark::Part ? frame + 1 : frame);
            if (mark == Mark::Part) {
                StartPart(lineStart);
            }
            return true;
        }
    }
    return false;
}

void MimeOutline::StartPart(qsizetype lineStart)
{
    inHeaders_ = true;
    fields_ = 0;
    fieldsSeen_ = 0;
    entityLine_ = lineStart;
    if (cut_) {
        ++partsLeftOut_;
    } else if (parts_ == maxParts_) {
        Cut(lineStart);
        partsLeftOut_ = 1;
    } else {
        ++parts_;
    }
}

// GMime's parse ends just before the line, without the line end before it,
// which belongs to the boundary.
void MimeOutline::Cut(qsizetype lineStart)
{
    qsizetype end = lineStart;
    if (end > 0 && message_[end - 1] == '\n') {
        --end;
        if (end > 0 && message_[end - 1] == '\r') {
            --end;
        }
    }
    parseEnd_ = end;
    cut_ = true;
}
