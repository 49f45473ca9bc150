#include "HeadlessReceiver.h"

#include "Clock.h"
#include "PathJoin.h"
#include "PrintedDialogs.h"
#include "ReceiverService.h"
#include "ServiceEventLog.h"
#include "SharedNames.h"
#include "SingleInstance.h"
#include "StopSignals.h"
#include "SystemText.h"

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

} // namespace

int RunHeadless(int& argc, char** argv, const std::function<void(QCoreApplication&)>& prepare)
{
    QCoreApplication app(argc, argv);
    if (prepare) {
        prepare(app);
    }
    QCoreApplication::setApplicationName(ProgramTitle);
    PrintedDialogs printed;

    SingleInstance instance(QCoreApplication::applicationFilePath());
    if (!instance.TryLock()) {
        printed.ShowMessage(AlreadyRunningText, ProgramTitle, MessageIcon::Critical, MessageButtons::Ok);
        return HeadlessAlreadyRunning;
    }

    const QString settingsPath = SettingsPath();
    HeadlessControls controls(QFileInfo::exists(settingsPath) ? LoadSettings(settingsPath)
                                                              : FirstRunSettings(settingsPath, printed));
    SystemClock clock;
    // No notifier: nobody is at a screen to see a pop-up or hear a sound.
    ReceiverService service({controls, printed, clock, ProgramBaseName()});
    ServiceEventLog events(service, clock);
    StopSignals stopSignals;

    const StartResult started = service.Start();
    if (!started.ok) {
        printed.ShowMessage(started.reason, StartFailedTitle, MessageIcon::Critical, MessageButtons::Ok);
        return HeadlessStartFailed;
    }
    QObject::connect(&stopSignals, &StopSignals::StopRequested, &app, [&service] {
        service.Stop();
        QCoreApplication::exit(HeadlessStopped);
    });
    QObject::connect(&service, &ReceiverService::ListenerFailed, &app,
                     [] { QCoreApplication::exit(HeadlessListenerFailed); });
    return app.exec();
}
