#include "Clock.h"
#include "FrmControl.h"
#include "PathJoin.h"
#include "QtDialogs.h"
#include "QtWavePlayer.h"
#include "SingleInstance.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Larkspur"));
    QtDialogs dialogs;

    SingleInstance instance(QCoreApplication::applicationFilePath());
    if (!instance.TryLock()) {
        dialogs.ShowMessage(QStringLiteral("すでに同じプログラムが動いています。"), QStringLiteral("Larkspur"),
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
