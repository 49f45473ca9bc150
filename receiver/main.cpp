#include "HeadlessReceiver.h"
#include "JapaneseTranslations.h"
#include "ProgramOptions.h"
#include "ReceiverProgram.h"
#include "SharedNames.h"

#include <QApplication>

#include <csignal>

#include <malloc.h>

namespace {

const ProgramAbout About{ReceiverProgramName, QStringLiteral("1.1"),
                         QStringLiteral("受信専用の SMTP サーバーです。受け取ったメールを送信元のドメインごとに保管します。")};

} // namespace

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

    const std::unique_ptr<QCoreApplication> app = CreateApplication(argc, argv);
    InstallJapaneseTranslations(*app);
    QCoreApplication::setApplicationName(ReceiverProgramName);
    return qobject_cast<QApplication*>(app.get()) ? RunWindowProgram() : RunHeadless();
}
