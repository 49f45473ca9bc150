#pragma once

#include "AppendFile.h"
#include "MessageStore.h"

#include <QDateTime>
#include <QString>

#include <functional>

class ArrivalNotifier;
class Clock;
class ControlValues;
class FileSystem;
class SpooledMessage;

// Stores each message as it arrives: the bytes are appended to a file named
// after the second the message completed, in a folder named after the
// sender's domain, and only then one line naming that file goes into the
// arrival log; then the pop-up and the sound, each by its switch. A message
// that could not be stored whole leaves nothing behind: no bytes in its file,
// no log line. The file is kept exactly as received.
//
// The log and the current message file stay open while messages keep coming
// within one second, and are opened anew in the next, so a log that was
// moved away is created again. Every log line is one write.
class MailStore : public MessageStore {
public:
    MailStore(ControlValues& controls, FileSystem& files, Clock& clock, ArrivalNotifier& notifier,
              QString programBaseName);
    ~MailStore() override;

    std::unique_ptr<MessageWriter> BeginMessage(const QByteArray& domain) override;

    // Called with a text for the operator whenever a message could not be stored.
    void OnFailure(std::function<void(const QString&)> report) { reportFailure_ = std::move(report); }
    // Called for every message stored: the second of storing, the sender
    // domain as the client sent it, the message file's path.
    using StoredReport = std::function<void(const QDateTime&, const QString&, const QString&)>;
    void OnStored(StoredReport report) { reportStored_ = std::move(report); }

    // At the start of the service: removes what messages that were arriving
    // when the program last ended left in the spool.
    void RemoveSpoolLeftovers();
    // At the end of the service: closes the files kept open.
    void CloseFiles();

private:
    class Writer;
    struct Placed {
        AppendFile* file = nullptr; // the message file, now holding the message
        qint64 before = 0;          // its size before the message
    };

    bool Commit(const QByteArray& domain, SpooledMessage& message);
    // The message into its file; the failure text for the operator, or empty.
    QString PlaceMessage(SpooledMessage& message, const QString& domainFolder, const QString& path, Placed* placed);
    void Undo(const Placed& placed);
    QString FileNameNow();
    QString SpoolFolder() const;
    void Notify(const QString& domain, const SpooledMessage& message, const Placed& placed);
    bool Fail(const QString& text);

    ControlValues& controls_;
    FileSystem& files_;
    Clock& clock_;
    ArrivalNotifier& notifier_;
    QString programBaseName_;
    QString logName_;
    QString spoolName_;
    std::function<void(const QString&)> reportFailure_;
    StoredReport reportStored_;

    qint64 nameSecond_ = -1;
    QDateTime nameTime_;
    QString fileName_;
    AppendFile log_;
    AppendFile message_;
};
