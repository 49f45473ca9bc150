#include "MessageFile.h"

namespace {

bool IsBlank(QByteArrayView bytes)
{
    return bytes.trimmed().isEmpty();
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

// "Name:" where the name is printable ASCII without blanks (RFC 5322).
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

} // namespace

QList<QByteArray> SplitMessageFile(QByteArrayView file, QList<qsizetype>* starts)
{
    QList<QByteArray> messages;
    QByteArray current;
    current.reserve(file.size());
    qsizetype start = 0;
    qsizetype messageStart = 0;
    while (start < file.size()) {
        const qsizetype end = file.indexOf('\n', start);
        const qsizetype next = end < 0 ? file.size() : end + 1;
        QByteArrayView line = file.sliced(start, next - start);
        start = next;
        if (WithoutLineEnd(line) == ".") {
            messages.append(current);
            current.clear();
            if (starts) {
                starts->append(messageStart);
            }
            messageStart = start;
            continue;
        }
        if (line.startsWith('.')) {
            line = line.sliced(1);
        }
        current.append(line);
    }
    if (!IsBlank(current)) {
        messages.append(current);
        if (starts) {
            starts->append(messageStart);
        }
    }
    return messages;
}

qsizetype MissingBlankLineAt(QByteArrayView message)
{
    qsizetype start = 0;
    while (start < message.size()) {
        const qsizetype end = message.indexOf('\n', start);
        const qsizetype next = end < 0 ? message.size() : end + 1;
        const QByteArrayView line = WithoutLineEnd(message.sliced(start, next - start));
        const bool continuation = start > 0 && (line.startsWith(' ') || line.startsWith('\t'));
        if (line.isEmpty()) {
            return -1;
        }
        if (!continuation && !IsHeaderField(line)) {
            return start;
        }
        start = next;
    }
    return -1;
}
