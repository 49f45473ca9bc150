#pragma once

#include <QByteArrayView>
#include <QDate>
#include <QDateTime>
#include <QString>

// Dates written the Japanese way: 2026年12月7日(月).
QString JapaneseDate(QDate date);

// 2026年12月7日(月) 12:15, in the time zone the time is given in.
QString JapaneseDateTime(const QDateTime& time);

// A Date field's raw value as local time, written the Japanese way; the
// field's own text when it is no date.
QString ReadableDate(QByteArrayView rawValue);
