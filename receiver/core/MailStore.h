#pragma once

#include "AppendFile.h"
#include "MessageJournal.h"
#include "MessageStore.h"
#include "StorageLock.h"

#include <QDateTime>
#include <QString>

#include <functional>

class ArrivalNotifier;
class Clock;
class ControlValues;
class FileSystem;

// Why a message could not be stored, for the operator: what went wrong and
// the file or folder it concerns.
struct StoreFailure {
    QString reason;
    QString path;

    QString Text() const { return reason + QStringLiteral(": ") + path; }
};

// The storage folder: one file per sender domain and second, and the
// arrival log that names each stored message. MailStore.cpp reads as the
// path of one message, from its first byte to its log line.
//
// A receiver keeps its storage folder to itself: it holds a lock in the
// spool folder from LockFolder to ReleaseFolder, stores only meanwhile, and
// only the holder removes what the spool holds. The journal beside the lock
// lets the holder undo a message its last holder was killed in the middle
// of.
class MailStore : public MessageStore {
public:
    // A message this large or smaller waits in memory; a larger one goes to
    // a file of the spool folder as it arrives, so memory stays flat.
    static constexpr qsizetype HeldBytes = 1024 * 1024;

    MailStore(ControlValues& controls, FileSystem& files, Clock& clock, const QString& programBaseName);
    ~MailStore() override;

    // Who shows a pop-up and plays the sound for each stored message, as the
    // switches say; none (the default) shows and plays nothing.
    void SetNotifier(ArrivalNotifier* notifier) { notifier_ = notifier; }

    // Takes the lock of the storage folder the controls name, making its
    // spool folder when missing; then, before anything else, takes back a
    // message the last holder was killed in the middle of, and removes
    // what its spool held. Failed: the reason is in *error.
    StorageLock::Outcome LockFolder(QString* error);
    // Closes the files kept open and lets the lock go.
    void ReleaseFolder();

    std::unique_ptr<MessageWriter> BeginMessage(const QByteArray& domain) override;

    // Called for every message stored: the second of storing, the sender
    // domain as the client sent it, the message file's path.
    using StoredReport = std::function<void(const QDateTime&, const QString&, const QString&)>;
    void OnStored(StoredReport report) { reportStored_ = std::move(report); }
    // Called whenever a message could not be stored.
    void OnFailure(std::function<void(const StoreFailure&)> report) { reportFailure_ = std::move(report); }
    // Called once a message is in its file and before its arrival-log line:
    // where tests stop the store as a kill would.
    void OnPlaced(std::function<void()> placed) { placed_ = std::move(placed); }

private:
    class Transaction;

    // Where a message goes: its file, the arrival log and its line there.
    struct Place {
        QString domainFolder;
        QString messagePath;
        QString logPath;
        QByteArray logLine;
    };

    AppendFile CreateSpoolFile();
    void RemoveSpoolLeftovers();
    void NameFilesOfSecond(const QDateTime& now);
    static bool Holds(const AppendFile& file, const QString& path);
    bool MoveIntoPlace(AppendFile& spool, const Place& place);
    bool OpenFiles(const Place& place, StoreFailure* failure);
    bool OpenMessageFile(const QString& domainFolder, const QString& path, StoreFailure* failure);
    bool OpenLog(const QString& path, StoreFailure* failure);
    bool KeepSpool();
    bool Record(const QByteArray& messageName, FileId message, qint64 sizeBefore, const Place& place);
    void CutMessageBack(qint64 sizeBefore);
    bool AppendLogLine(const QByteArray& line);
    void CloseFiles();
    bool Fail(const QString& folder, const StoreFailure& failure);

    ControlValues& controls_;
    FileSystem& files_;
    Clock& clock_;
    ArrivalNotifier* notifier_ = nullptr;
    QString logName_;
    QString spoolName_;
    StoredReport reportStored_;
    std::function<void(const StoreFailure&)> reportFailure_;
    std::function<void()> placed_;

    StorageLock lock_;
    MessageJournal journal_;
    bool serving_ = false; // from LockFolder to ReleaseFolder
    QString spoolFolder_; // the locked folder's, empty while none is locked
    quint64 spoolFiles_ = 0;

    // The second messages are stored in now, and its files: kept open while
    // messages keep coming in that second.
    qint64 second_ = -1;
    QDateTime secondTime_;
    QString fileName_;
    AppendFile log_;
    AppendFile message_;
};

// The spool folder's name in the storage folder: hidden, and reserved so no
// domain folder takes it (see DomainFolderName).
QString SpoolFolderName(const QString& programBaseName);
