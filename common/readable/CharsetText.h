#pragma once

#include <QByteArrayView>
#include <QString>

// Text from bytes in the given charset, converted by iconv (through GMime's
// charset names). Bytes the charset cannot read become U+FFFD. Without a
// charset, with one iconv does not know, or with US-ASCII over 8-bit bytes,
// the charset is detected instead.
QString TextFromCharset(QByteArrayView bytes, const char* charset);

// Text from bytes that declare no charset: UTF-8 when valid, otherwise
// the detected charset.
QString TextOfUnknownCharset(QByteArrayView bytes);
