#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>

#include <cstdio>

class Clock;
class ReceiverService;

// One line per event of the service on a stream (the error stream), for an
// operator who watches the program from a terminal or a service manager:
// listening, each stored message, each store failure, listener and accept
// errors, the stop. Each line begins with the local time of the event.
class ServiceEventLog : public QObject {
    Q_OBJECT
public:
    ServiceEventLog(ReceiverService& service, const Clock& clock, std::FILE* stream = stderr);

    // Writes one line stamped with the current local time.
    void Write(const QString& text);
    void Write(const QDateTime& time, const QString& text);

private:
    const Clock& clock_;
    std::FILE* stream_;
};
