#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The charset of text that declares none, among the few that mail to
// Japanese readers uses: UTF-8 when the bytes are valid UTF-8 without escape
// sequences; ISO-2022-JP for 7-bit text with escapes; Shift_JIS or EUC-JP
// when the bytes are valid in it (ICU's detector decides when both are);
// windows-1252 otherwise. Returns a name iconv knows.
QByteArray DetectCharset(QByteArrayView bytes);
