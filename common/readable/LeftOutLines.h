#pragma once

#include <QString>

// The lines the readable form writes where it leaves something out or
// shows less than was sent, one line for each such place (no line end).

// Parts past MaxParts: how many were not shown.
QString PartsLeftOutLine(qint64 parts);
// Multiparts or enclosed messages deeper than MaxNesting: what follows is
// the raw text.
QString NestingLeftOutLine();
// More than MaxBoundaryLines lines that could open a part: what follows
// is the raw text.
QString BoundaryLinesLeftOutLine();
// Raw text past MaxFlatBytes: how many bytes were not shown.
QString RawTextLeftOutLine(qint64 bytes);
// A header field longer than MaxFieldBytes: its label and whole size.
QString FieldBytesLeftOutLine(const QString& label, qint64 bytes);
// A header field with more than MaxEncodedWords encoded words: how many
// more it held.
QString EncodedWordsLeftOutLine(const QString& label, qint64 words);
// HTML elements deeper than MaxHtmlDepth: their text is shown without
// line breaks.
QString HtmlNestingLeftOutLine();
// Rendering stopped by its caller before the end.
QString RenderingCutLine();
