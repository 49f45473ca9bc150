#include "HeadlessReceiver.h"

#include "Clock.h"
#include "FirstRunSettings.h"
#include "PathJoin.h"
#include "PrintedDialogs.h"
#include "ServiceEventLog.h"
#include "SharedNames.h"
#include "SingleInstance.h"
#include "StopSignals.h"

#include <QCoreApplication>

namespace {

const QString ProgramTitle = ReceiverProgramName;
const QString AlreadyRunningText = QStringLiteral("すでに同じプログラムが動いています。");
const QString StartFailedTitle = QStringLiteral("スタート失敗");

// The settings file's values; on a first run the operator at the terminal
// is told which settings were written.
ReceiverSettings SettingsFrom(const QString& path, Dialogs& out)
{
    const StartingSettings starting = ReadOrCreateSettings(path);
    const ReceiverSettings& settings = starting.settings;
    const QString values =
        QStringLiteral("ポート %1、保管フォルダー %2、ポップアップなし、サウンドなし").arg(settings.port, settings.folder);
    switch (starting.origin) {
    case StartingSettings::Read:
        break;
    case StartingSettings::Created:
        out.ShowNotice(QStringLiteral("設定ファイル %1 がなかったので作成しました: %2").arg(path, values), ProgramTitle,
                       MessageIcon::Information);
        break;
    case StartingSettings::NotSaved:
        out.ShowNotice(QStringLiteral("設定ファイル %1 を作成できません。この設定で動きます: %2").arg(path, values),
                       ProgramTitle, MessageIcon::Exclamation);
        break;
    }
    return settings;
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
