#include "CommandLine.h"
#include "FrmView.h"
#include "JapaneseTranslations.h"
#include "PathJoin.h"
#include "QtDialogs.h"

#include <QApplication>

namespace {
const ProgramAbout About{QStringLiteral("Larkglass"), QStringLiteral("1.0"),
                         QStringLiteral("Larkspur が保管したメールを一覧し、表示します。")};
} // namespace

int main(int argc, char* argv[])
{
    AnswerHelpOrVersion(argc, argv, About);
    QApplication app(argc, argv);
    InstallJapaneseTranslations(app);
    QtDialogs dialogs;
    FrmView view(dialogs, ProgramFolder());
    if (!view.Load()) {
        return 0;
    }
    view.show();
    return app.exec();
}
