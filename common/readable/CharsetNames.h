#pragma once

#include <QByteArray>
#include <QByteArrayView>

// How text in a charset is decoded. Mail labels what Windows writes with
// the standard names, so those names get the Windows supersets.
enum class CharsetDecoding {
    Windows932,       // Shift_JIS as CP932
    WindowsIso2022Jp, // ISO-2022-JP with the CP932 rows and half-width katakana
    WindowsEucJp,     // EUC-JP as eucJP-ms / CP51932
    Iconv,            // any other charset iconv knows
};

// A charset label compared without regard to case or punctuation:
// "Shift_JIS", "shift-jis" and "SHIFTJIS" all give "shiftjis".
QByteArray CharsetKey(QByteArrayView label);

CharsetDecoding DecodingOf(QByteArrayView label);
