#pragma once

#include <QString>

// GMime's own declaration, so that including this needs no GLib headers.
typedef struct _GMimeObject GMimeObject;

// The readable file name of a MIME part: the filename parameter of its
// Content-Disposition, else the name parameter of its Content-Type, decoded
// as ReadableParameter does, on one line (controls become blanks). Empty
// when the part names no file.
QString ReadableFileName(GMimeObject* part);
