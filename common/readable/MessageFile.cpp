#include "MessageFile.h"

#include "LineEnds.h"

namespace {

// The line that starts at `start`, with its line end.
QByteArrayView LineAt(QByteArrayView bytes, qsizetype start)
{
    const qsizetype end = bytes.indexOf('\n', start);
    return bytes.sliced(start, (end < 0 ? bytes.size() : end + 1) - start);
}

// Where a message's header block ends at a line that is no header field
// and no blank line: there the body begins. -1 when the header block ends
// as it should.
qsizetype MissingBlankLineAt(QByteArrayView message)
{
    for (qsizetype start = 0; start < message.size();) {
        const QByteArrayView line = LineAt(message, start);
        const QByteArrayView text = WithoutLineEnd(line);
        const bool continuation = start > 0 && (text.startsWith(' ') || text.startsWith('\t'));
        if (text.isEmpty()) {
            return -1;
        }
        if (!continuation && !IsHeaderField(text)) {
            return start;
        }
        start += line.size();
    }
    return -1;
}

} // namespace

bool IsEndOfDataLine(QByteArrayView line)
{
    return WithoutLineEnd(line) == ".";
}

QByteArrayView UnstuffedLine(QByteArrayView line)
{
    return line.startsWith('.') ? line.sliced(1) : line;
}

// The name is printable ASCII without blanks.
bool IsHeaderField(QByteArrayView line)
{
    for (qsizetype i = 0; i < line.size(); ++i) {
        const auto c = static_cast<unsigned char>(line[i]);
        if (c == ':') {
            return i > 0;
        }
        if (c <= 0x20 || c >= 0x7F) {
            return false;
        }
    }
    return false;
}

StoredMessage NextStoredMessage(QByteArrayView file, qsizetype from)
{
    bool dotStuffed = false;
    for (qsizetype start = from; start < file.size();) {
        const QByteArrayView line = LineAt(file, start);
        if (IsEndOfDataLine(line)) {
            return {file.sliced(from, start - from), start + line.size(), dotStuffed};
        }
        dotStuffed = dotStuffed || line.startsWith('.');
        start += line.size();
    }
    return {file.sliced(from), file.size(), dotStuffed};
}

QByteArray Unstuffed(const StoredMessage& stored)
{
    if (!stored.dotStuffed) {
        return QByteArray::fromRawData(stored.bytes.data(), stored.bytes.size());
    }
    QByteArray message;
    message.reserve(stored.bytes.size());
    for (qsizetype start = 0; start < stored.bytes.size();) {
        const QByteArrayView line = LineAt(stored.bytes, start);
        message.append(UnstuffedLine(line));
        start += line.size();
    }
    return message;
}

QByteArray WithHeaderBlockEnd(QByteArrayView message)
{
    const qsizetype body = MissingBlankLineAt(message);
    if (body < 0) {
        return QByteArray::fromRawData(message.data(), message.size());
    }
    QByteArray shaped;
    shaped.reserve(message.size() + 2);
    return shaped.append(message.first(body)).append("\r\n").append(message.sliced(body));
}

SplitFile SplitMessageFile(QByteArrayView file)
{
    SplitFile split;
    for (qsizetype from = 0; from < file.size();) {
        const StoredMessage stored = NextStoredMessage(file, from);
        const bool endLine = stored.next > from + stored.bytes.size();
        if (endLine || !stored.bytes.trimmed().isEmpty()) {
            QByteArray message = Unstuffed(stored);
            message.detach(); // owns its bytes, whatever becomes of the file's
            split.messages.append(message);
            split.starts.append(from);
        }
        from = stored.next;
    }
    return split;
}
