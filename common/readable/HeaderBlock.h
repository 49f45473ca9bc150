#pragma once

#include <QString>

// GMime's own declaration, so that including this needs no GLib headers.
typedef struct _GMimeObject GMimeObject;

// What a reader wants to know of a message before its text, one decoded
// line each: 差出人, 宛先, Cc (only when the message has one), 日付 in local
// time, 件名, from the header fields of the message's root entity. Every
// other field is left out. A field longer than MaxFieldBytes, or with more
// than MaxEncodedWords encoded words, is shown cut, with a line after it
// that says so. Empty for a message with none of these fields.
QString ReaderHeaderBlock(GMimeObject* message);
