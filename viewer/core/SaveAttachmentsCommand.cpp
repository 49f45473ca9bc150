#include "SaveAttachmentsCommand.h"

#include "AttachmentFiles.h"
#include "CommandOutput.h"

#include <QFileInfo>

QCommandLineOption SaveAttachmentsOption()
{
    return QCommandLineOption(QStringLiteral("save-attachments"),
                              QStringLiteral("メッセージファイル <FILE> のすべての添付ファイルをフォルダー <DIR> "
                                             "へ保存し、書いたファイルを 1 行ずつ表示します（ウィンドウは開きません）。"),
                              // DIR follows as an argument; the help shows both.
                              QStringLiteral("FILE> <DIR"));
}

int SaveAttachments(const QString& path, const QString& folder, QIODevice& out, QIODevice& err)
{
    const std::optional<QByteArray> bytes = ReadNamedMessageFile(path, err);
    if (!bytes) {
        return 1;
    }
    const QString cannotWrite = QStringLiteral("Larkglass: フォルダーに書き込めません: %1\n").arg(folder);
    const QFileInfo folderInfo(folder);
    if (!folderInfo.isDir() || !folderInfo.isWritable()) {
        WriteText(err, cannotWrite);
        return 1;
    }
    for (const MessageAttachment& attachment : AttachmentsOfFile(*bytes)) {
        const std::optional<QString> written = WriteNewFile(folder, SafeFileName(attachment), attachment.bytes);
        if (!written) {
            WriteText(err, cannotWrite);
            return 1;
        }
        WriteText(out, *written + QLatin1Char('\n'));
    }
    return 0;
}
