#include "PopupText.h"

#include "SystemText.h"

QString PopupText(QByteArrayView head, qint64 fullSize)
{
    QString text = FromSystemBytes(head.first(qMin(head.size(), PopupByteLimit)));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (fullSize > PopupByteLimit) {
        if (!text.endsWith(QLatin1Char('\n'))) {
            text += QLatin1Char('\n');
        }
        text += QStringLiteral("［以下省略］このメッセージは全体で %1 バイトあります。先頭の %2 バイトだけを表示しています。")
                    .arg(fullSize)
                    .arg(PopupByteLimit);
    }
    return text;
}
