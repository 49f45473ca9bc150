#include "PrintCommand.h"

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

QCommandLineOption PrintOption()
{
    return QCommandLineOption(QStringLiteral("print"),
                              QStringLiteral("メッセージファイル <FILE> を読める形にして標準出力へ UTF-8 "
                                             "で書きます（ウィンドウは開きません）。"),
                              QStringLiteral("FILE"));
}

std::optional<int> RunPrintCommand(const QStringList& arguments, QIODevice& out, QIODevice& err)
{
    const bool asked = std::any_of(arguments.begin(), arguments.end(), [](const QString& argument) {
        return argument.startsWith(QLatin1String("--print"));
    });
    if (!asked) {
        return std::nullopt; // options of Qt's own, such as -platform, go to the window
    }
    QCommandLineParser parser;
    const QCommandLineOption print = PrintOption();
    parser.addOption(print);
    if (!parser.parse(arguments)) {
        Write(err, parser.errorText() + QLatin1Char('\n'));
        return BadUsage;
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
