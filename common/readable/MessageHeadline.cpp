#include "MessageHeadline.h"

#include "FileSystem.h"
#include "HeaderText.h"
#include "LineEnds.h"
#include "MessageFile.h"
#include "ReadingLimits.h"

namespace {

// The raw value of the first field of that name, continuation lines
// included, at most its first MaxFieldBytes.
QByteArray RawField(QByteArrayView block, QByteArrayView name)
{
    QByteArray value;
    bool inField = false;
    for (QByteArrayView line : block.toByteArray().split('\n')) {
        if (line.endsWith('\r')) {
            line.chop(1);
        }
        if (inField) {
            if (!line.startsWith(' ') && !line.startsWith('\t')) {
                break;
            }
            value += '\n' + line.toByteArray();
        } else if (line.size() > name.size() && line.at(name.size()) == ':' &&
                   line.first(name.size()).compare(name, Qt::CaseInsensitive) == 0) {
            inField = true;
            value = line.sliced(name.size() + 1).toByteArray();
        }
        if (value.size() >= MaxFieldBytes) {
            break;
        }
    }
    value.truncate(MaxFieldBytes);
    return value;
}

// A file's lines read in pieces of at most MaxFieldBytes each, so that a
// long line never costs more memory than that.
class LinePieces {
public:
    explicit LinePieces(TextFile& file) : file_(file), buffer_(MaxFieldBytes + 1, Qt::Uninitialized) {}

    // The next piece; false at the end of the file.
    bool Next()
    {
        startsLine_ = endsLine_;
        piece_ = file_.ReadLinePiece(buffer_);
        endsLine_ = piece_.endsWith('\n');
        read_ += piece_.size();
        return !piece_.isEmpty();
    }
    // With its line end when it has one.
    QByteArrayView Piece() const { return piece_; }
    bool StartsLine() const { return startsLine_; }
    bool IsEndLine() const { return startsLine_ && IsEndOfDataLine(piece_); }
    qint64 BytesRead() const { return read_; }

private:
    TextFile& file_;
    QByteArray buffer_;
    QByteArrayView piece_;
    bool startsLine_ = true;
    bool endsLine_ = true;
    qint64 read_ = 0;
};

struct Mailbox {
    QByteArray name;
    QByteArray address;
};

// The first mailbox of an address list as written: "Name <address>" with
// the name's quotes removed, or "address (Name)", or a bare address.
Mailbox FirstMailbox(QByteArrayView raw)
{
    QByteArray outside;
    QByteArray angled;
    QByteArray comment;
    bool quoted = false;
    bool escaped = false;
    bool inAngle = false;
    bool hadAngle = false;
    int depth = 0;
    for (const char c : raw) {
        QByteArray& into = depth > 0 ? comment : inAngle ? angled : outside;
        if (escaped) {
            into += c;
            escaped = false;
            continue;
        }
        if (c == '\\' && (quoted || depth > 0)) {
            escaped = true;
            continue;
        }
        if (quoted) {
            if (c == '"') {
                quoted = false;
            } else {
                into += c;
            }
        } else if (depth > 0) {
            depth += c == '(' ? 1 : c == ')' ? -1 : 0;
            if (depth > 0) {
                into += c;
            }
        } else if (inAngle) {
            if (c == '>') {
                inAngle = false;
            } else {
                into += c;
            }
        } else if (c == ',') {
            break; // the next mailbox
        } else if (c == '"') {
            quoted = true;
        } else if (c == '(') {
            depth = 1;
        } else if (c == '<') {
            inAngle = hadAngle = true;
            angled.clear();
        } else {
            into += c;
        }
    }
    if (hadAngle) {
        return {outside.trimmed(), angled.trimmed()};
    }
    return {comment.trimmed(), outside.trimmed()};
}

} // namespace

MessageHeadline HeadlineOf(QByteArrayView headerBlock)
{
    MessageHeadline headline;
    // Raw bytes are read as characters before the mailbox is taken apart:
    // a byte of an ISO-2022-JP name may look like a comma or a quote.
    const Mailbox from = FirstMailbox(UnfoldedFieldText(RawField(headerBlock, "From")).toUtf8());
    if (!from.name.isEmpty()) {
        headline.sender = ReadableHeaderField(from.name);
    }
    if (headline.sender.isEmpty()) {
        headline.sender = ReadableHeaderField(from.address);
    }
    headline.subject = ReadableHeaderField(RawField(headerBlock, "Subject"));
    return headline;
}

std::optional<MessageHeadline> ReadMessageHeadline(const QString& path, int index)
{
    TextFile file = FileSystem().OpenForRead(path);
    if (!file.IsOpen()) {
        return std::nullopt;
    }
    LinePieces lines(file);
    for (int message = 0; message < index;) {
        if (!lines.Next()) {
            return std::nullopt;
        }
        message += lines.IsEndLine() ? 1 : 0;
    }
    const qint64 start = lines.BytesRead();
    const auto withinReach = [&] { return lines.BytesRead() - start < MaxHeadlineBytes; };
    QByteArray headerBlock;
    bool ended = false; // by its end line
    bool blank = true;
    bool inHeader = true;
    // Text after the last end line is a message only when not blank.
    while ((inHeader || (blank && !ended)) && withinReach() && lines.Next()) {
        if (lines.IsEndLine()) {
            ended = true;
            break;
        }
        blank = blank && lines.Piece().trimmed().isEmpty();
        if (!inHeader || !lines.StartsLine()) {
            continue; // the body, or the rest of a long line
        }
        // The header block ends at an empty line, or at a line that is no
        // field, as the readable form reads it.
        const QByteArrayView line = WithoutLineEnd(UnstuffedLine(lines.Piece()));
        const bool folded = !headerBlock.isEmpty() && (line.startsWith(' ') || line.startsWith('\t'));
        inHeader = folded || IsHeaderField(line);
        if (inHeader) {
            headerBlock.append(line).append('\n');
        }
    }
    if (blank && !ended) {
        return std::nullopt;
    }
    return HeadlineOf(headerBlock);
}
