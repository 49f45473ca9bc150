#include "CalendarText.h"

#include "JapaneseDate.h"

#include <QDateTime>
#include <QList>
#include <QTimeZone>

namespace {

struct Property {
    QString name;
    QString parameters; // ";TZID=...;VALUE=DATE", upper case
    QString value;
};

// Content lines with their folds undone.
QList<QString> ContentLines(const QString& calendar)
{
    QList<QString> lines;
    for (QStringView line : QStringView(calendar).tokenize(u'\n', Qt::SkipEmptyParts)) {
        if (line.endsWith(u'\r')) {
            line.chop(1);
        }
        if ((line.startsWith(u' ') || line.startsWith(u'\t')) && !lines.isEmpty()) {
            lines.last() += line.sliced(1);
        } else {
            lines.append(line.toString());
        }
    }
    return lines;
}

Property PropertyOf(const QString& line)
{
    qsizetype colon = -1;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size() && colon < 0; ++i) {
        if (line[i] == u'"') {
            quoted = !quoted;
        } else if (line[i] == u':' && !quoted) {
            colon = i;
        }
    }
    if (colon < 0) {
        return {};
    }
    const QString head = line.first(colon);
    const qsizetype semicolon = head.indexOf(u';');
    return {head.first(semicolon < 0 ? head.size() : semicolon).toUpper(),
            semicolon < 0 ? QString() : head.sliced(semicolon), line.sliced(colon + 1)};
}

QString Unescaped(const QString& value)
{
    QString text;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == u'\\' && i + 1 < value.size()) {
            ++i;
            text += value[i] == u'n' || value[i] == u'N' ? QChar(u'\n') : value[i];
        } else {
            text += value[i];
        }
    }
    return text;
}

QString Parameter(const QString& parameters, QStringView name)
{
    for (QStringView parameter : QStringView(parameters).tokenize(u';', Qt::SkipEmptyParts)) {
        const qsizetype equals = parameter.indexOf(u'=');
        if (equals > 0 && parameter.first(equals).compare(name, Qt::CaseInsensitive) == 0) {
            QString value = parameter.sliced(equals + 1).toString();
            return value.remove(u'"');
        }
    }
    return {};
}

QTimeZone ZoneNamed(const QString& id)
{
    QTimeZone zone(id.toUtf8());
    if (!zone.isValid()) {
        zone = QTimeZone(QTimeZone::windowsIdToDefaultIanaId(id.toUtf8())); // Outlook's "Tokyo Standard Time"
    }
    return zone;
}

// A DATE or DATE-TIME value: UTC ("Z"), in its TZID zone, or floating.
QString ReadableTime(const Property& property)
{
    const QString& value = property.value;
    if (value.size() == 8) {
        const QDate date = QDate::fromString(value, QStringLiteral("yyyyMMdd"));
        return date.isValid() ? JapaneseDate(date) : value;
    }
    QDateTime time = QDateTime::fromString(value.first(std::min<qsizetype>(value.size(), 15)),
                                           QStringLiteral("yyyyMMdd'T'HHmmss"));
    if (!time.isValid()) {
        return value;
    }
    const QTimeZone zone = ZoneNamed(Parameter(property.parameters, u"TZID"));
    if (value.endsWith(u'Z')) {
        time.setTimeZone(QTimeZone::utc());
    } else if (zone.isValid()) {
        time.setTimeZone(zone);
    }
    return JapaneseDateTime(time.toLocalTime());
}

} // namespace

QString CalendarText(const QString& calendar)
{
    static const QList<std::pair<QString, QString>> Shown = {
        {QStringLiteral("SUMMARY"), QStringLiteral("予定")},
        {QStringLiteral("DTSTART"), QStringLiteral("開始")},
        {QStringLiteral("DTEND"), QStringLiteral("終了")},
        {QStringLiteral("LOCATION"), QStringLiteral("場所")},
    };
    QString text;
    QList<Property> event;
    int nesting = 0; // inside an event: 1; inside its alarms: more
    for (const QString& line : ContentLines(calendar)) {
        const Property property = PropertyOf(line);
        const QString component = property.value.trimmed().toUpper();
        if (property.name == u"BEGIN" && (nesting > 0 || component == u"VEVENT")) {
            ++nesting;
        } else if (property.name == u"END" && nesting > 0 && --nesting == 0) {
            for (const auto& [name, label] : Shown) {
                for (const Property& shown : event) {
                    if (shown.name == name) {
                        const bool time = name.startsWith(u"DT");
                        text += label + QStringLiteral(": ") + (time ? ReadableTime(shown) : Unescaped(shown.value)) +
                                u'\n';
                        break;
                    }
                }
            }
            event.clear();
        } else if (nesting == 1) {
            event.append(property);
        }
    }
    return text;
}
