#include "SystemText.h"

#include <QStringDecoder>
#include <QStringEncoder>

QString FromSystemBytes(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringConverter::System);
    return decoder.decode(bytes);
}

QByteArray ToSystemBytes(const QString& text)
{
    QStringEncoder encoder(QStringConverter::System);
    return encoder.encode(text);
}
