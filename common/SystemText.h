#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Text crosses to files and sockets in the platform's locale encoding
// (UTF-8 on Linux, the ANSI code page on Windows). Decoding never fails:
// invalid sequences become replacement characters.
QString FromSystemBytes(QByteArrayView bytes);
QByteArray ToSystemBytes(const QString& text);
