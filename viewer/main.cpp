#include "CommandLine.h"
#include "FrmView.h"
#include "PathJoin.h"
#include "QtDialogs.h"

#include <QApplication>
#include <QFile>

int main(int argc, char* argv[])
{
    {
        // The command line works without a display: no window system yet.
        QCoreApplication commandLine(argc, argv);
        QFile out, err;
        out.open(stdout, QIODevice::WriteOnly);
        err.open(stderr, QIODevice::WriteOnly);
        if (const std::optional<int> status = RunCommandLine(QCoreApplication::arguments(), out, err)) {
            return *status;
        }
    }
    QApplication app(argc, argv);
    QtDialogs dialogs;
    FrmView view(dialogs, ProgramFolder());
    if (!view.Load()) {
        return 0;
    }
    view.show();
    return app.exec();
}
