#include "JapaneseDate.h"

#include "GMimeSupport.h"
#include "HeaderText.h"

#include <QByteArray>

#include <array>

QString JapaneseDate(QDate date)
{
    static const std::array<QString, 7> days = {
        QStringLiteral("月"), QStringLiteral("火"), QStringLiteral("水"), QStringLiteral("木"),
        QStringLiteral("金"), QStringLiteral("土"), QStringLiteral("日"),
    };
    return QStringLiteral("%1年%2月%3日(%4)")
        .arg(date.year())
        .arg(date.month())
        .arg(date.day())
        .arg(days[static_cast<size_t>(date.dayOfWeek() - 1)]);
}

QString JapaneseDateTime(const QDateTime& time)
{
    return JapaneseDate(time.date()) + u' ' + time.toString(QStringLiteral("HH:mm"));
}

QString ReadableDate(QByteArrayView rawValue)
{
    EnsureGMime();
    const QString text = ReadableHeaderField(rawValue);
    GDateTime* parsed = g_mime_utils_header_decode_date(text.toUtf8().constData());
    if (parsed == nullptr) {
        return text;
    }
    const gint64 seconds = g_date_time_to_unix(parsed);
    g_date_time_unref(parsed);
    return JapaneseDateTime(QDateTime::fromSecsSinceEpoch(seconds));
}
