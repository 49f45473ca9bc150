#include "ReceiverProgram.h"

#include "Clock.h"
#include "DesktopEntry.h"
#include "FrmControl.h"
#include "HeadlessReceiver.h"
#include "PathJoin.h"
#include "ProgramOptions.h"
#include "QtDialogs.h"
#include "QtWavePlayer.h"
#include "SharedNames.h"
#include "SingleInstance.h"
#include "StopSignals.h"

#include <QApplication>
#include <QCommandLineParser>

namespace {

bool HeadlessAskedFor(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    QCommandLineParser parser;
    parser.addOption(HeadlessOption());
    parser.parse(arguments);
    return parser.isSet(HeadlessOption());
}

bool DisplayAvailable()
{
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

} // namespace

QCommandLineOption HeadlessOption()
{
    return {QStringLiteral("headless"),
            QStringLiteral("ウィンドウを出さずに動きます。出来事は1行ずつ標準エラー出力に書きます。")};
}

std::unique_ptr<QCoreApplication> CreateApplication(int& argc, char** argv)
{
    if (HeadlessAskedFor(argc, argv) || !DisplayAvailable()) {
        return std::make_unique<QCoreApplication>(argc, argv);
    }
    return std::make_unique<QApplication>(argc, argv);
}

int RunWindowProgram()
{
    UseDesktopEntry(ReceiverProgramName);
    QtDialogs dialogs;
    SingleInstance instance(QCoreApplication::applicationFilePath());
    if (!instance.TryLock()) {
        dialogs.ShowMessage(QStringLiteral("すでに同じプログラムが動いています。"), ReceiverProgramName,
                            MessageIcon::Critical, MessageButtons::Ok);
        return 0;
    }

    QtWavePlayer player;
    SystemClock clock;
    FrmControl window({dialogs, player, clock, ProgramFolder(), ProgramBaseName()});
    // A stop signal ends the program as it ends the one without a window,
    // also while a box or picker waits for the user: exit() leaves every
    // event loop, the boxes' included.
    StopSignals stopSignals;
    QObject::connect(&stopSignals, &StopSignals::StopRequested, &window, [&window] {
        window.StopOnSignal();
        QCoreApplication::exit(HeadlessStopped);
    });
    window.Load();
    // A signal that came while a box of the automatic start waited.
    if (window.IsUnloaded()) {
        return HeadlessStopped;
    }
    window.show();
    return QApplication::exec();
}
