#include "MessageFile.h"

namespace {

bool IsBlank(QByteArrayView bytes)
{
    return bytes.trimmed().isEmpty();
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
        qsizetype end = file.indexOf('\n', start);
        const qsizetype next = end < 0 ? file.size() : end + 1;
        if (end < 0) {
            end = file.size();
        }
        QByteArrayView line = file.sliced(start, end - start);
        if (line.endsWith('\r')) {
            line.chop(1);
        }
        start = next;
        if (line == ".") {
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
        current.append('\n');
    }
    if (!IsBlank(current)) {
        messages.append(current);
        if (starts) {
            starts->append(messageStart);
        }
    }
    return messages;
}
