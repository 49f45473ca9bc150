#pragma once

#include "FileSystem.h"
#include "FolderProbe.h"
#include "MailStore.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <memory>

class Clock;
class ControlValues;
class Dialogs;
class SessionEngine;

struct StartResult {
    enum Outcome { Started, Refused, FolderInUse };
    Outcome outcome = Refused;
    QString reason; // why the service did not start, for the operator

    bool Ok() const { return outcome == Started; }
};

// The receiver without its window: the SMTP engine and the mail store,
// started and stopped as one. The settings are read through ControlValues
// at the moment each is needed, so whoever drives the service (the control
// window, or the program without a window) keeps the only copy of them.
// Everything the operator should hear of is a signal.
class ReceiverService : public QObject {
    Q_OBJECT
public:
    struct Environment {
        ControlValues& controls;
        Dialogs& dialogs; // socket error notices
        Clock& clock;
        QString programBaseName; // names the arrival log
        const FolderProbe& folderProbe = DefaultFolderProbe();
    };

    explicit ReceiverService(const Environment& environment, QObject* parent = nullptr);
    ~ReceiverService() override;

    // Who shows a pop-up and plays the sound for each stored message, as the
    // switches say; none (the default) shows and plays nothing.
    void SetNotifier(ArrivalNotifier* notifier) { store_->SetNotifier(notifier); }

    // Checks the port and the storage folder (present, not held by another
    // receiver, writable), takes the folder's lock and listens. On failure
    // nothing listens, nothing in the folder is touched, and the reason
    // says why.
    StartResult Start();
    // Closes the listener, lets queued socket events run once, then closes
    // every session, including one in the middle of a message, and lets the
    // storage folder go.
    void Stop();

    SessionEngine& Engine() { return *engine_; }

    static const FolderProbe& DefaultFolderProbe();

signals:
    void Listening(int port, const QString& folder);
    void Stopped();
    void MessageStored(const QDateTime& time, const QString& domain, const QString& path);
    void StoreFailed(const StoreFailure& failure);
    // The listener was closed by an error of its own; nothing listens now.
    void ListenerFailed(int number, const QString& description);
    // Accepting fails for a while (once per run of failures) and works again.
    void AcceptFailed(const QString& description);
    void AcceptRecovered();

private:
    Environment env_;
    FileSystem files_;
    std::unique_ptr<MailStore> store_;
    std::unique_ptr<SessionEngine> engine_;
};
