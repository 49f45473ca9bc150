#include "MessageHeadline.h"

#include "FileSystem.h"
#include "HeaderText.h"

namespace {

// The raw value of the first field of that name, continuation lines included.
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
    }
    return value;
}

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
    int message = 0;
    QByteArray headerBlock;
    bool inHeader = true;
    bool blank = true;
    while (!file.AtEndOfStream()) {
        QByteArray line = file.ReadLineBytes();
        if (line == ".") {
            if (message == index) {
                return HeadlineOf(headerBlock);
            }
            ++message;
            continue;
        }
        if (message != index) {
            continue;
        }
        if (line.startsWith('.')) {
            line.remove(0, 1);
        }
        blank = blank && line.trimmed().isEmpty();
        if (inHeader && line.isEmpty()) {
            inHeader = false;
        } else if (inHeader) {
            headerBlock += line + '\n';
        }
        // Text after the last end line is a message only when not blank.
        if (!inHeader && !blank) {
            return HeadlineOf(headerBlock);
        }
    }
    if (message == index && !blank) {
        return HeadlineOf(headerBlock);
    }
    return std::nullopt;
}
