#include "FrmView.h"
#include "PathJoin.h"
#include "QtDialogs.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QtDialogs dialogs;
    FrmView view(dialogs, ProgramFolder());
    if (!view.Load()) {
        return 0;
    }
    view.show();
    return app.exec();
}
