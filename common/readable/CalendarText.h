#pragma once

#include <QString>

// What a reader needs of an iCalendar text (RFC 5545): for each event its
// summary, start, end and location, one line each, times in local time.
// Empty when it holds no event.
QString CalendarText(const QString& calendar);
