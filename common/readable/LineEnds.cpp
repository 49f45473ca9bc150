#include "LineEnds.h"

QString WithLfLineEnds(QString text)
{
    if (!text.contains(u'\r')) {
        return text;
    }
    QChar* chars = text.data();
    const qsizetype size = text.size();
    qsizetype kept = 0;
    for (qsizetype i = 0; i < size; ++i) {
        if (chars[i] != u'\r' || i + 1 == size || chars[i + 1] != u'\n') {
            chars[kept++] = chars[i];
        }
    }
    text.truncate(kept);
    return text;
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
