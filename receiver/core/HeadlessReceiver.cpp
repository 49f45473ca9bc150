#include "HeadlessReceiver.h"

#include "Clock.h"
#include "PathJoin.h"
#include "PrintedDialogs.h"
#include "ServiceEventLog.h"
#include "SharedNames.h"
#include "SingleInstance.h"
#include "StopSignals.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

const QString ProgramTitle = ReceiverProgramName;
const QString AlreadyRunningText = QStringLiteral("すでに同じプログラムが動いています。");
const QString StartFailedTitle = QStringLiteral("スタート失敗");

// The settings of a first run without a window: a port that needs no
// privileges and a storage folder in the home folder, created.
ReceiverSettings FirstRunSettings(const QString& path, Dialogs& out)
{
    ReceiverSettings settings;
    settings.port = QStringLiteral("2525");
    settings.folder = QDir::toNativeSeparators(QDir::homePath() + QStringLiteral("/LarkspurMail"));
    QDir().mkpath(settings.folder);
    SaveSettings(path, settings);
    const QString values = QStringLiteral("ポート 2525、保管フォルダー %1、ポップアップなし、サウンドなし").arg(settings.folder);
    if (QFileInfo::exists(path)) {
        out.ShowNotice(QStringLiteral("設定ファイル %1 がなかったので作成しました: %2").arg(path, values), ProgramTitle,
                       MessageIcon::Information);
    } else {
        out.ShowNotice(QStringLiteral("設定ファイル %1 を作成できません。この設定で動きます: %2").arg(path, values),
                       ProgramTitle, MessageIcon::Exclamation);
    }
    return settings;
}

ReceiverSettings SettingsFrom(const QString& path, Dialogs& out)
{
    return QFileInfo::exists(path) ? LoadSettings(path) : FirstRunSettings(path, out);
}

} // namespace

HeadlessReceiver::HeadlessReceiver(const QString& settingsPath, Dialogs& out, Clock& clock)
    : out_(out), controls_(SettingsFrom(settingsPath, out)), service_({controls_, out, clock, ProgramBaseName()})
{
    new ServiceEventLog(service_, clock); // a child of the service
}

std::optional<HeadlessExit> HeadlessReceiver::Start()
{
    const StartResult started = service_.Start();
    switch (started.outcome) {
    case StartResult::Started:
        return std::nullopt;
    case StartResult::FolderInUse:
        out_.ShowMessage(started.reason, ProgramTitle, MessageIcon::Critical, MessageButtons::Ok);
        return HeadlessRefused;
    case StartResult::Refused:
        break;
    }
    out_.ShowMessage(started.reason, StartFailedTitle, MessageIcon::Critical, MessageButtons::Ok);
    return HeadlessStartFailed;
}

int RunHeadless()
{
    PrintedDialogs printed;
    SingleInstance instance(QCoreApplication::applicationFilePath());
    if (!instance.TryLock()) {
        printed.ShowMessage(AlreadyRunningText, ProgramTitle, MessageIcon::Critical, MessageButtons::Ok);
        return HeadlessRefused;
    }

    SystemClock clock;
    // No notifier: nobody is at a screen to see a pop-up or hear a sound.
    HeadlessReceiver receiver(SettingsPath(), printed, clock);
    StopSignals stopSignals;
    if (const std::optional<HeadlessExit> refused = receiver.Start()) {
        return *refused;
    }
    QObject::connect(&stopSignals, &StopSignals::StopRequested, [&receiver] {
        receiver.Service().Stop();
        QCoreApplication::exit(HeadlessStopped);
    });
    QObject::connect(&receiver.Service(), &ReceiverService::ListenerFailed,
                     [] { QCoreApplication::exit(HeadlessListenerFailed); });
    return QCoreApplication::exec();
}
