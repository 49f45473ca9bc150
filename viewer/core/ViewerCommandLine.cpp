#include "ViewerCommandLine.h"

#include "CommandOutput.h"
#include "PrintCommand.h"
#include "SaveAttachmentsCommand.h"

#include <QCommandLineParser>

#include <algorithm>

namespace {

constexpr int BadUsage = 2;

} // namespace

QList<QCommandLineOption> CommandLineOptions()
{
    return {PrintOption(), SaveAttachmentsOption()};
}

std::optional<int> RunCommandLine(const QStringList& arguments, QIODevice& out, QIODevice& err)
{
    const QList<QCommandLineOption> options = CommandLineOptions();
    const bool asked = std::any_of(arguments.begin(), arguments.end(), [&](const QString& argument) {
        return std::any_of(options.begin(), options.end(), [&](const QCommandLineOption& option) {
            return argument.startsWith(QLatin1String("--") + option.names().constFirst());
        });
    });
    if (!asked) {
        return std::nullopt; // options of Qt's own, such as -platform, go to the window
    }
    QCommandLineParser parser;
    parser.addOptions(options);
    if (!parser.parse(arguments)) {
        WriteText(err, parser.errorText() + QLatin1Char('\n'));
        return BadUsage;
    }
    const QCommandLineOption& print = options.at(0);
    const QCommandLineOption& save = options.at(1);
    if (parser.isSet(print) && parser.isSet(save)) {
        WriteText(err, QStringLiteral("Larkglass: --print と --save-attachments は一緒に使えません。\n"));
        return BadUsage;
    }
    if (parser.isSet(print)) {
        return PrintReadableForm(parser.value(print), out, err);
    }
    if (parser.positionalArguments().size() != 1) {
        WriteText(err, QStringLiteral("Larkglass: --save-attachments のあとに FILE と DIR を指定してください。\n"));
        return BadUsage;
    }
    return SaveAttachments(parser.value(save), parser.positionalArguments().constFirst(), out, err);
}
