// The path of one message into the storage folder, top to bottom:
//
//   begin      BeginMessage: a transaction for the sender's domain.
//   append     its bytes as they arrive: in memory up to HeldBytes, beyond
//              that in a file of its own in the spool folder.
//   commit     at the end line: the message goes into the message file of
//              the second, then one line naming that file goes into the
//              arrival log, then the pop-up and the sound.
//   roll back  a transaction dropped before its commit leaves nothing
//              behind, and a commit that fails takes back what it wrote.
//
// A message goes into its file in one of two ways. Appended, from memory or
// from its spool file: always possible, since several messages of one
// domain and second share a file. Or, when a spooled message starts a new
// file, its spool file becomes that file by a rename, which copies nothing:
// copying it instead (even in the kernel) costs the 50 MiB and the
// 5 x 99 MiB messages a fifth of their rate. Either way, taking the message
// back is the same: a file it started goes, a file it was added to is cut
// back to its size before.
//
// A 250 means the message is in the storage folder as it stands: the files
// kept open within a second are written only while their paths still lead
// to them. And a commit is written in the journal before the message goes
// into its file, so a receiver killed before the log line leaves nothing
// half done for long: the next one takes the message back before anything
// else.

#include "MailStore.h"

#include "ArrivalNotifier.h"
#include "Clock.h"
#include "ControlValues.h"
#include "DomainFolderName.h"
#include "FileSystem.h"
#include "PathJoin.h"
#include "SharedNames.h"
#include "SystemText.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>

#include <sys/stat.h>

namespace {

const QString NoStorageFolder = QStringLiteral("保管フォルダーがありません");
const QString CannotStore = QStringLiteral("メールを保存できません");
const QString CannotCreateFolder = QStringLiteral("フォルダーを作成できません");
const QString CannotWriteLog = QStringLiteral("到着ログに書き込めません");

const QString LockFileName = QStringLiteral("lock");
const QString JournalFileName = QStringLiteral("journal");

} // namespace

class MailStore::Transaction : public MessageWriter {
public:
    Transaction(MailStore& store, QByteArray domain) : store_(store), domain_(std::move(domain)) {}
    ~Transaction() override;

    void Append(QByteArrayView bytes) override;
    bool Commit() override;

private:
    bool AppendTo(AppendFile& file);
    void Notify(const QString& domain, qint64 sizeBefore);

    MailStore& store_;
    QByteArray domain_;
    QByteArray held_;  // the message while it is at most HeldBytes
    AppendFile spool_; // the message once it grew past that
    qint64 size_ = 0;
    bool lost_ = false; // the spool could not take the bytes
};

// Begin.
std::unique_ptr<MessageWriter> MailStore::BeginMessage(const QByteArray& domain)
{
    return std::make_unique<Transaction>(*this, domain);
}

// Append.
void MailStore::Transaction::Append(QByteArrayView bytes)
{
    if (lost_) {
        return;
    }
    size_ += bytes.size();
    if (!spool_.IsOpen() && held_.size() + bytes.size() <= HeldBytes) {
        held_.append(bytes);
        return;
    }
    if (!spool_.IsOpen()) {
        spool_ = store_.CreateSpoolFile();
        lost_ = !spool_.IsOpen() || !spool_.Append(held_);
        held_ = QByteArray();
    }
    lost_ = lost_ || !spool_.Append(bytes);
    if (lost_) {
        // A full disk should not stay fuller for a message that is lost.
        spool_.Remove();
    }
}

// Commit.
bool MailStore::Transaction::Commit()
{
    const QString folder = store_.controls_.FolderText();
    // An empty folder text must not send files to the root.
    if (folder.isEmpty()) {
        return store_.Fail(folder, {NoStorageFolder, folder});
    }
    // Naming: the second the message completed names its file.
    const QDateTime now = store_.clock_.LocalNow();
    store_.NameFilesOfSecond(now);
    const QString domain = FromSystemBytes(domain_);
    Place place;
    place.domainFolder = JoinPath(folder, DomainFolderName(domain, store_.logName_, store_.spoolName_));
    place.messagePath = JoinPath(place.domainFolder, store_.fileName_);
    place.logPath = JoinPath(folder, store_.logName_);
    place.logLine = ToSystemBytes(place.messagePath) + "\r\n";
    if (lost_) {
        return store_.Fail(folder, {CannotStore, place.messagePath});
    }

    // The message into its file, each change written in the journal first.
    qint64 sizeBefore = 0;
    if (!spool_.IsOpen() || !store_.MoveIntoPlace(spool_, place)) {
        StoreFailure failure;
        if (!store_.OpenFiles(place, &failure)) {
            return store_.Fail(folder, failure);
        }
        sizeBefore = store_.message_.Size();
        const AppendFile& file = store_.message_;
        if (!store_.Record(file.Name(), file.Id(), sizeBefore, place) || !AppendTo(store_.message_)) {
            store_.CutMessageBack(sizeBefore);
            return store_.Fail(folder, {CannotStore, place.messagePath});
        }
    }
    if (store_.placed_) {
        store_.placed_();
    }

    // Its line in the arrival log, only once the file holds it all, so the
    // viewer never lists a message that is still being written.
    if (!store_.AppendLogLine(place.logLine)) {
        store_.CutMessageBack(sizeBefore);
        return store_.Fail(folder, {CannotWriteLog, place.logPath});
    }

    if (store_.reportStored_) {
        store_.reportStored_(store_.secondTime_, domain, place.messagePath);
    }
    Notify(domain, sizeBefore);
    return true;
}

bool MailStore::Transaction::AppendTo(AppendFile& file)
{
    return spool_.IsOpen() ? file.AppendFrom(spool_, size_) : file.Append(held_);
}

void MailStore::Transaction::Notify(const QString& domain, qint64 sizeBefore)
{
    ArrivalNotifier* notifier = store_.notifier_;
    if (notifier && store_.controls_.DialogSwitch() == SwitchOn) {
        // The pop-up shows the start of a long message: read back only that.
        const QByteArray head = held_.isEmpty() ? store_.message_.ReadAt(sizeBefore, PopupByteLimit) : held_;
        notifier->ShowPopup(domain, head, size_);
    }
    if (notifier && store_.controls_.SoundSwitch() == SwitchOn) {
        notifier->PlaySound(store_.controls_.WavFileText());
    }
}

// Roll back: a message dropped before its commit, or whose commit failed,
// takes its spool file with it (a committed one has none left).
MailStore::Transaction::~Transaction()
{
    spool_.Remove();
}

// The steps of the store that a commit goes through.

MailStore::MailStore(ControlValues& controls, FileSystem& files, Clock& clock, const QString& programBaseName)
    : controls_(controls), files_(files), clock_(clock), logName_(ArrivalLogName(programBaseName)),
      spoolName_(SpoolFolderName(programBaseName))
{
}

MailStore::~MailStore() = default;

AppendFile MailStore::CreateSpoolFile()
{
    // Without the folder's lock, no spool: such a message is refused at its end.
    if (!KeepSpool()) {
        return {};
    }
    return AppendFile::Create(JoinPath(spoolFolder_, QStringLiteral("%1.tmp").arg(++spoolFiles_)));
}

// Files are kept open while messages keep coming within one second; a new
// second closes them, so a log moved away meanwhile is created again.
void MailStore::NameFilesOfSecond(const QDateTime& now)
{
    const qint64 second = now.date().toJulianDay() * 86400 + now.time().msecsSinceStartOfDay() / 1000;
    if (second == second_) {
        return;
    }
    CloseFiles();
    second_ = second;
    secondTime_ = now;
    fileName_ = now.toString(QStringLiteral("yyyyMMdd_HHmmss")) + QStringLiteral(".log");
}

// A file kept open is written again only while its path leads to it: one
// removed since it was opened, or whose folder was removed or replaced, is
// let go, and the message goes to the path as it is now.
bool MailStore::Holds(const AppendFile& file, const QString& path)
{
    return file.IsOpen() && file.Path() == path && file.IsStillAtItsPath();
}

// A spooled message that starts a new file becomes that file. False when the
// file is there already, or the rename failed: the message is appended then.
bool MailStore::MoveIntoPlace(AppendFile& spool, const Place& place)
{
    if (Holds(message_, place.messagePath)) {
        return false;
    }
    StoreFailure failure;
    if (!OpenLog(place.logPath, &failure) || !Record(QFile::encodeName(place.messagePath), spool.Id(), 0, place)) {
        return false;
    }
    bool moved = spool.MoveTo(place.messagePath);
    if (!moved && spool.Error() == ENOENT && files_.CreateFolder(place.domainFolder)) {
        moved = spool.MoveTo(place.messagePath);
    }
    if (moved) {
        message_ = std::move(spool);
    }
    return moved;
}

// The message file first: a message that cannot have one leaves no log.
bool MailStore::OpenFiles(const Place& place, StoreFailure* failure)
{
    if (!OpenMessageFile(place.domainFolder, place.messagePath, failure)) {
        return false;
    }
    if (!OpenLog(place.logPath, failure)) {
        CutMessageBack(message_.Size());
        return false;
    }
    return true;
}

// Opens the message file, or keeps the one open when it is this file; the
// domain folder is created with the first message of its domain. A storage
// folder that is gone is not: CreateFolder makes one level only.
bool MailStore::OpenMessageFile(const QString& domainFolder, const QString& path, StoreFailure* failure)
{
    if (Holds(message_, path)) {
        return true;
    }
    message_ = AppendFile::Open(path);
    if (!message_.IsOpen() && message_.Error() == ENOENT) {
        if (!files_.CreateFolder(domainFolder)) {
            *failure = {CannotCreateFolder, domainFolder};
            return false;
        }
        message_ = AppendFile::Open(path);
    }
    if (!message_.IsOpen()) {
        *failure = {CannotStore, path};
        return false;
    }
    return true;
}

bool MailStore::OpenLog(const QString& path, StoreFailure* failure)
{
    if (Holds(log_, path)) {
        return true;
    }
    log_ = AppendFile::Open(path);
    if (!log_.IsOpen()) {
        *failure = {CannotWriteLog, path};
        return false;
    }
    if (!KeepSpool()) {
        log_ = AppendFile();
        *failure = {CannotStore, JoinPath(controls_.FolderText(), spoolName_)};
        return false;
    }
    return true;
}

// The spool folder, lock and journal this store took are gone with a
// storage folder that was removed or replaced: while it serves the folder,
// the store takes them again in the folder that stands there now.
bool MailStore::KeepSpool()
{
    if (journal_.IsStillAtItsPath()) {
        return true;
    }
    QString error;
    return serving_ && LockFolder(&error) == StorageLock::Outcome::Taken;
}

// messageName: the message file's path as the file system names it.
bool MailStore::Record(const QByteArray& messageName, FileId message, qint64 sizeBefore, const Place& place)
{
    return journal_.Record(
        {messageName, message, sizeBefore, log_.Name(), log_.Id(), log_.Size(), log_.Size() + place.logLine.size()});
}

// Takes a message that could not be completed out of its file: a file it
// started goes, a file it was added to is cut back to its size before.
void MailStore::CutMessageBack(qint64 sizeBefore)
{
    if (sizeBefore == 0) {
        message_.Remove();
    } else {
        message_.CutBackTo(sizeBefore);
    }
    message_ = AppendFile();
}

// One write per line, and a line that could not be written whole is cut off.
bool MailStore::AppendLogLine(const QByteArray& line)
{
    const qint64 sizeBefore = log_.Size();
    if (log_.Append(line)) {
        return true;
    }
    log_.CutBackTo(sizeBefore);
    log_ = AppendFile();
    return false;
}

void MailStore::CloseFiles()
{
    log_ = AppendFile();
    message_ = AppendFile();
    second_ = -1;
}

bool MailStore::Fail(const QString& folder, const StoreFailure& failure)
{
    if (reportFailure_) {
        // Asked only when something failed, so it costs nothing per message.
        const bool folderGone = !folder.isEmpty() && !files_.FolderExists(folder);
        reportFailure_(folderGone ? StoreFailure{NoStorageFolder, folder} : failure);
    }
    return false;
}

// The storage folder's lock and spool.

StorageLock::Outcome MailStore::LockFolder(QString* error)
{
    journal_.Close();
    spoolFolder_.clear();
    const QString spoolFolder = JoinPath(controls_.FolderText(), spoolName_);
    if (::mkdir(QFile::encodeName(spoolFolder).constData(), 0700) != 0 && errno != EEXIST) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return StorageLock::Outcome::Failed;
    }
    const StorageLock::Outcome outcome = lock_.Take(JoinPath(spoolFolder, LockFileName), error);
    if (outcome != StorageLock::Outcome::Taken) {
        return outcome;
    }
    int journalError = 0;
    if (!journal_.Open(JoinPath(spoolFolder, JournalFileName), &journalError)) {
        *error = QString::fromLocal8Bit(std::strerror(journalError));
        lock_.Release();
        return StorageLock::Outcome::Failed;
    }
    spoolFolder_ = spoolFolder;
    serving_ = true;
    journal_.TakeBackUnlogged();
    RemoveSpoolLeftovers();
    return outcome;
}

void MailStore::RemoveSpoolLeftovers()
{
    QDir folder(spoolFolder_);
    const QStringList names = folder.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        if (name != LockFileName && name != JournalFileName) {
            folder.remove(name);
        }
    }
}

void MailStore::ReleaseFolder()
{
    CloseFiles();
    journal_.Close();
    lock_.Release();
    serving_ = false;
    spoolFolder_.clear();
}

QString SpoolFolderName(const QString& programBaseName)
{
    return QLatin1Char('.') + programBaseName + QStringLiteral(".spool");
}
