#include "RowMap.h"

QString RowMap::Key(int row)
{
    return QStringLiteral("idx") + QString::number(row);
}

std::optional<QString> RowMap::Find(int row) const
{
    if (row < 1 || row > log_.Count()) {
        return std::nullopt;
    }
    return log_.Line(row - 1);
}

std::optional<QString> RowMap::Find(QStringView key) const
{
    const QStringView prefix = u"idx";
    if (!key.startsWith(prefix)) {
        return std::nullopt;
    }
    const QStringView digits = key.sliced(prefix.size());
    // Only the canonical spelling is a key: "idx01" or "idx+1" is not "idx1".
    if (digits.isEmpty() || digits.size() > 9 || digits.front() == u'0') {
        return std::nullopt;
    }
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9') {
            return std::nullopt;
        }
    }
    return Find(digits.toInt());
}
