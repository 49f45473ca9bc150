#include "MailStore.h"

#include "ArrivalNotifier.h"
#include "Clock.h"
#include "ControlValues.h"
#include "DomainFolderName.h"
#include "FileSystem.h"
#include "MessageSpool.h"
#include "PathJoin.h"
#include "SharedNames.h"
#include "SystemText.h"

#include <cerrno>

class MailStore::Writer : public MessageWriter {
public:
    Writer(MailStore& store, const QByteArray& domain)
        : store_(store), domain_(domain), message_(store.SpoolFolder())
    {
    }
    void Append(QByteArrayView bytes) override { message_.Append(bytes); }
    bool Commit() override { return store_.Commit(domain_, message_); }

private:
    MailStore& store_;
    QByteArray domain_;
    SpooledMessage message_;
};

MailStore::MailStore(ControlValues& controls, FileSystem& files, Clock& clock, ArrivalNotifier& notifier,
                     QString programBaseName)
    : controls_(controls), files_(files), clock_(clock), notifier_(notifier),
      programBaseName_(std::move(programBaseName)), logName_(ArrivalLogName(programBaseName_)),
      spoolName_(SpoolFolderName(programBaseName_))
{
}

MailStore::~MailStore() = default;

std::unique_ptr<MessageWriter> MailStore::BeginMessage(const QByteArray& domain)
{
    return std::make_unique<Writer>(*this, domain);
}

void MailStore::RemoveSpoolLeftovers()
{
    if (!controls_.FolderText().isEmpty()) {
        ::RemoveSpoolLeftovers(SpoolFolder());
    }
}

void MailStore::CloseFiles()
{
    log_ = AppendFile();
    message_ = AppendFile();
    nameSecond_ = -1;
}

QString MailStore::SpoolFolder() const
{
    // No storage folder, no spool: such a message is refused at its end.
    const QString folder = controls_.FolderText();
    return folder.isEmpty() ? QString() : JoinPath(folder, spoolName_);
}

QString MailStore::FileNameNow()
{
    const QDateTime now = clock_.LocalNow();
    const qint64 second = now.date().toJulianDay() * 86400 + now.time().msecsSinceStartOfDay() / 1000;
    if (second != nameSecond_) {
        // A new second: new file names, and the files of the last one are
        // let go, so a log moved away meanwhile is created again.
        log_ = AppendFile();
        message_ = AppendFile();
        nameSecond_ = second;
        nameTime_ = now;
        fileName_ = now.toString(QStringLiteral("yyyyMMdd_HHmmss")) + QStringLiteral(".log");
    }
    return fileName_;
}

bool MailStore::Commit(const QByteArray& domain, SpooledMessage& message)
{
    const QString folder = controls_.FolderText();
    // An empty folder text must not send files to the root.
    if (folder.isEmpty()) {
        return Fail(QStringLiteral("保管フォルダーがありません: ") + folder);
    }
    const QString fileName = FileNameNow();
    const QString domainText = FromSystemBytes(domain);
    const QString domainFolder = JoinPath(folder, DomainFolderName(domainText, logName_, spoolName_));
    const QString messagePath = JoinPath(domainFolder, fileName);
    const QString logPath = JoinPath(folder, logName_);
    if (message.Failed()) {
        return Fail(QStringLiteral("メールを保存できません: ") + messagePath);
    }

    Placed placed;
    const QString failure = PlaceMessage(message, domainFolder, messagePath, &placed);
    if (!failure.isEmpty()) {
        // Asked only when something failed, so it costs nothing per message.
        return Fail(files_.FolderExists(folder) ? failure : QStringLiteral("保管フォルダーがありません: ") + folder);
    }
    // The line goes in only once its file is complete, so the viewer never
    // lists a message that is still being written.
    if (!log_.IsOpen() || log_.Path() != logPath) {
        log_ = AppendFile::Open(logPath);
    }
    const qint64 logBefore = log_.Size();
    if (!log_.IsOpen() || !log_.Append(ToSystemBytes(messagePath) + "\r\n")) {
        if (log_.IsOpen()) {
            log_.CutBackTo(logBefore);
        }
        log_ = AppendFile();
        Undo(placed);
        return Fail(QStringLiteral("到着ログに書き込めません: ") + logPath);
    }
    if (reportStored_) {
        reportStored_(nameTime_, domainText, messagePath);
    }
    Notify(domainText, message, placed);
    return true;
}

QString MailStore::PlaceMessage(SpooledMessage& message, const QString& domainFolder, const QString& path,
                               Placed* placed)
{
    const QString folderFailure = QStringLiteral("フォルダーを作成できません: ") + domainFolder;
    if (!message.InMemory() && message_.Path() != path) {
        // A message that waited in the spool becomes its file by a rename
        // when it is the first of its second; otherwise it is appended.
        AppendFile& spooled = message.File();
        bool moved = spooled.MoveTo(path);
        if (!moved && spooled.Error() == ENOENT) {
            if (!files_.CreateFolder(domainFolder)) {
                return folderFailure;
            }
            moved = spooled.MoveTo(path);
        }
        if (moved) {
            message_ = message.TakeFile();
            *placed = {&message_, 0};
            return {};
        }
    }
    if (message_.Path() != path) {
        message_ = AppendFile::Open(path);
        if (!message_.IsOpen() && message_.Error() == ENOENT) {
            if (!files_.CreateFolder(domainFolder)) {
                return folderFailure;
            }
            message_ = AppendFile::Open(path);
        }
    }
    *placed = {&message_, message_.Size()};
    const bool written = message_.IsOpen() && (message.InMemory() ? message_.Append(message.Bytes())
                                                                  : message_.AppendFrom(message.File(), message.Size()));
    if (!written) {
        Undo(*placed);
        return QStringLiteral("メールを保存できません: ") + path;
    }
    return {};
}

void MailStore::Undo(const Placed& placed)
{
    AppendFile& file = *placed.file;
    if (file.IsOpen() && placed.before == 0) {
        file.Remove();
    } else if (file.IsOpen()) {
        file.CutBackTo(placed.before);
    }
    file = AppendFile();
}

void MailStore::Notify(const QString& domain, const SpooledMessage& message, const Placed& placed)
{
    if (controls_.DialogSwitch() == SwitchOn) {
        // The pop-up shows the start of a long message: read back only that.
        const QByteArray head =
            message.InMemory() ? message.Bytes() : placed.file->ReadAt(placed.before, PopupByteLimit);
        notifier_.ShowPopup(domain, head, message.Size());
    }
    if (controls_.SoundSwitch() == SwitchOn) {
        notifier_.PlaySound(controls_.WavFileText());
    }
}

bool MailStore::Fail(const QString& text)
{
    if (reportFailure_) {
        reportFailure_(text);
    }
    return false;
}
