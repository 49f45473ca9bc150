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

namespace {

bool AppendAndClose(TextFile file, const QByteArray& bytes)
{
    const bool written = file.IsOpen() && file.Write(bytes);
    return file.Close() && written;
}

} // namespace

MailStore::MailStore(ControlValues& controls, FileSystem& files, Clock& clock, ArrivalNotifier& notifier,
                     QString programBaseName)
    : controls_(controls), files_(files), clock_(clock), notifier_(notifier),
      programBaseName_(std::move(programBaseName))
{
}

bool MailStore::StoreMessage(const QByteArray& fromDomain, const QByteArray& message)
{
    const QString folder = controls_.FolderText();
    const QString logName = ArrivalLogName(programBaseName_);
    const QString logPath = JoinPath(folder, logName);
    const QDateTime now = clock_.LocalNow();
    const QString fileName = now.toString(QStringLiteral("yyyyMMdd_HHmmss")) + QStringLiteral(".log");
    const QString domain = FromSystemBytes(fromDomain);
    const QString domainFolder = JoinPath(folder, DomainFolderName(domain, logName));
    const QString messagePath = JoinPath(domainFolder, fileName);

    // Nothing is written unless the storage folder is there: an empty or
    // vanished folder text must not send files elsewhere.
    if (!files_.FolderExists(folder)) {
        return Fail(QStringLiteral("保管フォルダーがありません: ") + folder);
    }
    if (!AppendAndClose(files_.OpenForAppend(logPath), ToSystemBytes(messagePath) + "\r\n")) {
        return Fail(QStringLiteral("到着ログに書き込めません: ") + logPath);
    }
    if (!files_.FolderExists(domainFolder) && !files_.CreateFolder(domainFolder)) {
        return Fail(QStringLiteral("フォルダーを作成できません: ") + domainFolder);
    }
    if (!AppendAndClose(files_.OpenForAppend(messagePath), message)) {
        return Fail(QStringLiteral("メールを保存できません: ") + messagePath);
    }
    if (reportStored_) {
        reportStored_(now, domain, messagePath);
    }

    if (controls_.DialogSwitch() == SwitchOn) {
        notifier_.ShowPopup(domain, message);
    }
    if (controls_.SoundSwitch() == SwitchOn) {
        notifier_.PlaySound(controls_.WavFileText());
    }
    return true;
}

bool MailStore::Fail(const QString& text)
{
    if (reportFailure_) {
        reportFailure_(text);
    }
    return false;
}
