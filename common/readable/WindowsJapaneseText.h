#pragma once

#include <QByteArrayView>
#include <QString>

// Japanese text as Windows writes it, under whichever label mail gave it.
// Each undecodable character becomes one U+FFFD; an undecodable two-byte
// pair is skipped whole, so the text after it keeps its alignment.

// Shift_JIS as CP932: NEC row 13 (①, №, ℡, ∑), the NEC-selected and IBM
// extensions (髙, 﨑), and 0x5C a backslash.
QString TextFromWindows932(QByteArrayView bytes);

// ISO-2022-JP with what CP932 adds to JIS X 0208 (rows 13 and 89 to 92),
// half-width katakana after ESC ( I or SO, and JIS X 0212 after ESC $ ( D.
QString TextFromWindowsIso2022Jp(QByteArrayView bytes);

// EUC-JP as eucJP-ms and CP51932 read it: two-byte rows as in CP932 (so
// rows 89 to 92 are the NEC-selected IBM extensions), three-byte JIS X 0212
// and IBM extensions.
QString TextFromWindowsEucJp(QByteArrayView bytes);
