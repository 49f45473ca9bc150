#pragma once

#include "ArrivalNotifier.h"
#include "FileSystem.h"
#include "FolderProbe.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <memory>

class Clock;
class ControlValues;
class Dialogs;
class MailStore;
class SessionEngine;

struct StartResult {
    bool ok = false;
    QString reason; // why the service did not start, for the operator
};

// The receiver without its window: the SMTP engine and the mail store,
// started and stopped as one. The settings are read through
// ControlValues at the moment each is needed, so whoever drives the
// service (the control window, or the program without a window) keeps the
// only copy of them. Everything the operator should hear of is a signal.
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
    void SetNotifier(ArrivalNotifier* notifier) { relay_.target = notifier; }

    // Checks the port and the storage folder (present and writable) and
    // listens. On failure nothing listens and the reason says why.
    StartResult Start();
    // Closes the listener, lets queued socket events run once, then closes
    // every session, including one in the middle of a message.
    void Stop();

    SessionEngine& Engine() { return *engine_; }

    static const FolderProbe& DefaultFolderProbe();

signals:
    void Listening(int port, const QString& folder);
    void Stopped();
    void MessageStored(const QDateTime& time, const QString& domain, const QString& path);
    void StoreFailed(const QString& text);
    // The listener was closed by an error of its own; nothing listens now.
    void ListenerFailed(int number, const QString& description);
    // Accepting fails for a while (once per run of failures) and works again.
    void AcceptFailed(const QString& description);
    void AcceptRecovered();

private:
    struct NotifierRelay : ArrivalNotifier {
        using ArrivalNotifier::ShowPopup;
        void ShowPopup(const QString& caption, const QByteArray& head, qint64 fullSize) override
        {
            if (target) {
                target->ShowPopup(caption, head, fullSize);
            }
        }
        void PlaySound(const QString& wavPath) override
        {
            if (target) {
                target->PlaySound(wavPath);
            }
        }
        ArrivalNotifier* target = nullptr;
    };

    Environment env_;
    NotifierRelay relay_;
    FileSystem files_;
    std::unique_ptr<MailStore> store_;
    std::unique_ptr<SessionEngine> engine_;
};
