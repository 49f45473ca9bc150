#include "CommandLine.h"

#include "MessageText.h"
#include "ReadableForm.h"

#include <QCommandLineParser>
#include <QFileInfo>

#include <algorithm>

namespace {

constexpr int Failed = 1;
constexpr int BadUsage = 2;

void Write(QIODevice& device, const QString& text)
{
    device.write(text.toUtf8());
}

} // namespace

std::optional<int> RunCommandLine(const QStringList& arguments, QIODevice& out, QIODevice& err)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Larkglass: Larkspur が保管したメールのビューアー"));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("このオプション一覧を表示します。"));
    const QCommandLineOption print(QStringLiteral("print"),
                                   QStringLiteral("メッセージファイル <FILE> を読める形にして標準出力へ UTF-8 "
                                                  "で書きます（ウィンドウは開きません）。"),
                                   QStringLiteral("FILE"));
    parser.addOption(help);
    parser.addOption(print);
    const bool parsed = parser.parse(arguments);
    const bool asked = std::any_of(arguments.begin(), arguments.end(), [](const QString& argument) {
        return argument.startsWith(QLatin1String("--print")) || argument == QLatin1String("--help") ||
               argument == QLatin1String("-h");
    });
    if (!asked) {
        return std::nullopt; // options of Qt's own, such as -platform, go to the window
    }
    if (!parsed) {
        Write(err, parser.errorText() + QLatin1Char('\n'));
        return BadUsage;
    }
    if (parser.isSet(help)) {
        Write(out, parser.helpText());
        return 0;
    }
    return PrintReadableForm(parser.value(print), out, err);
}

int PrintReadableForm(const QString& path, QIODevice& out, QIODevice& err)
{
    const std::optional<QByteArray> bytes = QFileInfo(path).isFile() ? ReadMessageBytes(path) : std::nullopt;
    if (!bytes) {
        Write(err, QStringLiteral("Larkglass: メッセージファイルを読めません: %1\n").arg(path));
        return Failed;
    }
    Write(out, ReadableForm(*bytes));
    return 0;
}
