#include "ArrivalLine.h"

#include <QDir>

#include <algorithm>

namespace {

// Appends the field at 1-based position `from`, padded with blanks on the
// right when the name ends inside or before it.
void AppendField(QString& out, QStringView name, qsizetype from, qsizetype width)
{
    const qsizetype start = from - 1;
    const qsizetype available = std::clamp<qsizetype>(name.size() - start, 0, width);
    if (available > 0) {
        out.append(name.sliced(start, available));
    }
    for (qsizetype i = available; i < width; ++i) {
        out.append(QLatin1Char(' '));
    }
}

} // namespace

QStringView FileNameOf(QStringView line)
{
    const qsizetype last = line.lastIndexOf(QDir::separator());
    return last < 0 ? line : line.sliced(last + 1);
}

QString DateTimeText(QStringView fileName)
{
    QString text;
    text.reserve(20);
    AppendField(text, fileName, 1, 4);
    text.append(QLatin1Char('/'));
    AppendField(text, fileName, 5, 2);
    text.append(QLatin1Char('/'));
    AppendField(text, fileName, 7, 2);
    text.append(QLatin1String("/ "));
    AppendField(text, fileName, 10, 2);
    text.append(QLatin1Char(':'));
    AppendField(text, fileName, 12, 2);
    text.append(QLatin1Char(':'));
    AppendField(text, fileName, 14, 2);
    return text;
}

QStringView DomainText(QStringView line, qsizetype storageFolderLength)
{
    // 0-based: the domain starts right after the folder's own separator and
    // runs up to the last separator.
    const qsizetype start = storageFolderLength + 1;
    const qsizetype last = line.lastIndexOf(QDir::separator());
    if (last <= start) {
        return {};
    }
    return line.sliced(start, last - start);
}
