#include "PrintCommand.h"

#include "CommandOutput.h"
#include "ReadableForm.h"

QCommandLineOption PrintOption()
{
    return QCommandLineOption(QStringLiteral("print"),
                              QStringLiteral("メッセージファイル <FILE> を読める形にして標準出力へ UTF-8 "
                                             "で書きます（ウィンドウは開きません）。"),
                              QStringLiteral("FILE"));
}

int PrintReadableForm(const QString& path, QIODevice& out, QIODevice& err)
{
    const std::optional<QByteArray> bytes = ReadNamedMessageFile(path, err);
    if (!bytes) {
        return 1;
    }
    WriteText(out, ReadableForm(*bytes));
    return 0;
}
