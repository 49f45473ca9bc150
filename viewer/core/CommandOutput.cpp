#include "CommandOutput.h"

#include "MessageText.h"

#include <QFileInfo>

void WriteText(QIODevice& device, const QString& text)
{
    device.write(text.toUtf8());
}

std::optional<QByteArray> ReadNamedMessageFile(const QString& path, QIODevice& err)
{
    std::optional<QByteArray> bytes = QFileInfo(path).isFile() ? ReadMessageBytes(path) : std::nullopt;
    if (!bytes) {
        WriteText(err, QStringLiteral("Larkglass: メッセージファイルを読めません: %1\n").arg(path));
    }
    return bytes;
}
