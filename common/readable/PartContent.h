#pragma once

#include <QByteArray>

// GMime's own declaration, so that including this needs no GLib headers.
typedef struct _GMimePart GMimePart;

// The transfer-decoded bytes of a part; the bytes as sent when they were
// no transfer encoding at all (base64 with other characters than its own).
// Bytes that need no decoding are not copied: the result then shares the
// bytes the part was parsed from (MimeEntity) and must not outlive them.
QByteArray ContentBytes(GMimePart* part);

// The size of a part's decoded content, and so the bytes as sent for
// 7bit and 8bit parts.
qint64 DecodedSize(GMimePart* part);
