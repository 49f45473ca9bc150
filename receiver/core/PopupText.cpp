#include "PopupText.h"

#include "Decoder.h"
#include "SystemText.h"

QString PopupText(const DecoderSlot& decoder, QByteArrayView head, qint64 fullSize)
{
    head = head.first(qMin(head.size(), PopupByteLimit));
    QString text;
    if (decoder.DecoderAvailable()) {
        text = decoder.Decoder()->ReadableText(head);
    } else {
        text = FromSystemBytes(head);
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    }
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
