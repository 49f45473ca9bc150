#include "PrintedDialogs.h"

#include "SystemText.h"

MessageAnswer PrintedDialogs::ShowMessage(const QString& text, const QString& title, MessageIcon icon,
                                          MessageButtons buttons)
{
    ShowNotice(text, title, icon);
    return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
}

void PrintedDialogs::ShowNotice(const QString& text, const QString& title, MessageIcon)
{
    const QByteArray line = ToSystemBytes(title + QStringLiteral(": ") + text) + '\n';
    std::fwrite(line.constData(), 1, line.size(), stream_);
    std::fflush(stream_);
}

QString PrintedDialogs::ChooseFolder(QObject*, const QString&, const QString&)
{
    return {};
}

QString PrintedDialogs::ChooseFile(QObject*, const QString&, const QString&, const QStringList&)
{
    return {};
}
