#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The charset of text that declares none, among the few that mail to
// Japanese readers uses: UTF-8 when the bytes are valid UTF-8 without escape
// sequences; ISO-2022-JP for 7-bit text with escapes; Shift_JIS or EUC-JP
// when one of them reads the bytes (ICU's detector decides when both do);
// WesternFallback otherwise.
QByteArray DetectCharset(QByteArrayView bytes);

// What DetectCharset answers when no charset it knows reads the bytes.
inline constexpr char WesternFallback[] = "windows-1252";
