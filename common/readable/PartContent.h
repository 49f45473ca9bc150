#pragma once

#include <QByteArray>

// GMime's own declaration, so that including this needs no GLib headers.
typedef struct _GMimePart GMimePart;

// The transfer-decoded bytes of a part; the bytes as sent when they were
// no transfer encoding at all (base64 with other characters than its own).
// Bytes that need no decoding are not copied: the result then shares the
// bytes the part was parsed from (MimeEntity) and must not outlive them.
QByteArray ContentBytes(GMimePart* part);

// The transfer-decoded bytes of a part that holds a message, with the line
// end of its last line. The line end before a boundary line belongs to the
// boundary, so the content comes without it; and a multipart whose closing
// boundary line has no line end leaves the CR of a CR LF in the part
// before it. Shares bytes as ContentBytes does.
QByteArray EnclosedMessageBytes(GMimePart* part);

// The size of a part's decoded content, and so the bytes as sent for
// 7bit and 8bit parts.
qint64 DecodedSize(GMimePart* part);
