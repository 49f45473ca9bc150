#include "MailStore.h"

#include "ArrivalNotifier.h"
#include "Clock.h"
#include "ControlValues.h"
#include "DomainFolderName.h"
#include "FileSystem.h"
#include "PathJoin.h"
#include "SessionSlot.h"
#include "SystemText.h"

#include <QDir>

namespace {

constexpr int SwitchOn = 1;

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

bool MailStore::StoreMessage(SessionSlot& slot)
{
    const QString folder = controls_.FolderText();
    const QString logPath = JoinPath(folder, programBaseName_ + QStringLiteral(".log"));
    const QString fileName = clock_.LocalNow().toString(QStringLiteral("yyyyMMdd_HHmmss")) + QStringLiteral(".log");
    const QString domain = FromSystemBytes(slot.FromDomain);
    const QString domainFolder = JoinPath(folder, DomainFolderName(domain));
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
    if (!AppendAndClose(files_.OpenForAppend(messagePath), slot.RecvBuffer)) {
        return Fail(QStringLiteral("メールを保存できません: ") + messagePath);
    }

    if (controls_.DialogSwitch() == SwitchOn) {
        notifier_.ShowPopup(domain, slot.RecvBuffer);
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
