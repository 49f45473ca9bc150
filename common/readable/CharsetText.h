#pragma once

#include <QByteArrayView>
#include <QString>

// Text from bytes in the charset a label names (Japanese labels decode as
// Windows writes them). Each undecodable character becomes one U+FFFD.
// The charset is detected instead when the label is empty or unknown, when
// it says US-ASCII over 8-bit bytes, and when the label's reading leaves
// more than one character in a hundred undecodable and a detected
// Japanese or Unicode charset reads the bytes better.
QString TextFromCharset(QByteArrayView bytes, QByteArrayView label);

// Text from bytes that declare no charset, in the detected charset.
QString TextOfUnknownCharset(QByteArrayView bytes);
