#include "DesktopEntry.h"
#include "FrmView.h"
#include "JapaneseTranslations.h"
#include "PathJoin.h"
#include "ProgramOptions.h"
#include "QtDefaultApplication.h"
#include "QtDialogs.h"
#include "ViewerCommandLine.h"

#include <QApplication>
#include <QFile>

namespace {
const ProgramAbout About{QStringLiteral("Larkglass"), QStringLiteral("1.0"),
                         QStringLiteral("Larkspur が保管したメールを一覧し、表示します。")};
} // namespace

int main(int argc, char* argv[])
{
    AnswerHelpOrVersion(argc, argv, About, CommandLineOptions());
    {
        // The command-line options work without a display: no window system yet.
        QCoreApplication commandLine(argc, argv);
        QFile out, err;
        out.open(stdout, QIODevice::WriteOnly);
        err.open(stderr, QIODevice::WriteOnly);
        if (const std::optional<int> status = RunCommandLine(QCoreApplication::arguments(), out, err)) {
            return *status;
        }
    }
    QApplication app(argc, argv);
    UseDesktopEntry(About.name);
    InstallJapaneseTranslations(app);
    QtDialogs dialogs;
    QtDefaultApplication desktop;
    FrmView view(dialogs, desktop, ProgramFolder());
    if (!view.Load()) {
        return 0;
    }
    view.show();
    return app.exec();
}
