#pragma once

#include "MessageStore.h"

#include <QDateTime>
#include <QString>

#include <functional>

class ArrivalNotifier;
class Clock;
class ControlValues;
class FileSystem;

// Stores each finished message exactly as received: one line in the arrival
// log, the message bytes appended to a file named after the second of
// storing, in a folder named after the sender's domain; then the pop-up and the sound, each by
// its switch. Every write is checked: a message that could not be written
// is reported as not stored.
class MailStore : public MessageStore {
public:
    MailStore(ControlValues& controls, FileSystem& files, Clock& clock, ArrivalNotifier& notifier,
              QString programBaseName);

    bool StoreMessage(const QByteArray& domain, const QByteArray& message) override;

    // Called with a text for the operator whenever a message could not be stored.
    void OnFailure(std::function<void(const QString&)> report) { reportFailure_ = std::move(report); }
    // Called for every message stored: the second of storing, the sender
    // domain as the client sent it, the message file's path.
    using StoredReport = std::function<void(const QDateTime&, const QString&, const QString&)>;
    void OnStored(StoredReport report) { reportStored_ = std::move(report); }

private:
    bool Fail(const QString& text);

    ControlValues& controls_;
    FileSystem& files_;
    Clock& clock_;
    ArrivalNotifier& notifier_;
    QString programBaseName_;
    std::function<void(const QString&)> reportFailure_;
    StoredReport reportStored_;
};
