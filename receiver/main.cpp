#include "DisplayCheck.h"
#include "HeadlessReceiver.h"
#include "JapaneseTranslations.h"
#include "ProgramOptions.h"
#include "SharedNames.h"
#include "WindowModule.h"

#include <QCommandLineParser>

#include <csignal>

#include <malloc.h>

namespace {

const ProgramAbout About{ReceiverProgramName, QStringLiteral("1.1"),
                         QStringLiteral("受信専用の SMTP サーバーです。受け取ったメールを送信元のドメインごとに保管します。")};

QCommandLineOption HeadlessOption()
{
    return {QStringLiteral("headless"),
            QStringLiteral("ウィンドウを出さずに動きます。出来事は1行ずつ標準エラー出力に書きます。")};
}

struct ReceiverOptions {
    bool headless = false; // run without a window
};

// The receiver's own options; --help and --version are answered before.
ReceiverOptions ParseReceiverOptions(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    QCommandLineParser parser;
    SetUpParser(parser, About, {HeadlessOption()});
    parser.parse(arguments);
    return {parser.isSet(QStringLiteral("headless"))};
}

} // namespace

// Without a display the receiver runs without a window: no widget code is
// loaded then, since the window is a module of its own.
int main(int argc, char* argv[])
{
    AnswerHelpOrVersion(argc, argv, About, {HeadlessOption()});
    // Qt's own Unix event dispatcher: the GLib one wakes the loop each time
    // a socket's write notifier is switched, once per reply. Whoever sets
    // the variable keeps their choice.
    if (!qEnvironmentVariableIsSet("QT_NO_GLIB")) {
        qputenv("QT_NO_GLIB", "1");
    }
    // A write past the file-size limit fails like a full disk, and the store
    // cuts the message back, instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    // Read buffers and messages in memory (up to a few MiB) come from the
    // heap and stay there between messages, instead of being mapped, faulted
    // in and handed back to the system for every message.
    mallopt(M_MMAP_THRESHOLD, 4 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 16 * 1024 * 1024);
    const ReceiverOptions options = ParseReceiverOptions(argc, argv);
    if (options.headless || !DisplayAvailable()) {
        return RunHeadless(argc, argv, [](QCoreApplication& app) { InstallJapaneseTranslations(app); });
    }
    return RunWindowModule(argc, argv);
}
