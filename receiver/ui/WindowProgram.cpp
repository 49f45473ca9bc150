#include "WindowProgram.h"

#include "Clock.h"
#include "FrmControl.h"
#include "JapaneseTranslations.h"
#include "PathJoin.h"
#include "QtDialogs.h"
#include "QtWavePlayer.h"
#include "SharedNames.h"
#include "SingleInstance.h"

#include <QApplication>

int RunWindowProgram(int& argc, char** argv)
{
    QApplication app(argc, argv);
    InstallJapaneseTranslations(app);
    QApplication::setApplicationName(ReceiverProgramName);
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
    window.Load();
    window.show();
    return app.exec();
}
