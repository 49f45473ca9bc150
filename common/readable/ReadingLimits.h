#pragma once

#include <QtGlobal>

// Fixed limits of the readable form. Mail from anyone is shown on the
// receiver's only thread, so the work and memory one message can cost are
// bounded by these, whatever it holds; each limit reached is said in one
// line of the text (LeftOutLines.h).

// MIME body parts parsed and shown per message (enclosed messages' parts
// included); the rest are counted.
inline constexpr qsizetype MaxParts = 1000;
// Levels of multiparts and enclosed messages; what lies deeper is shown
// as the text it was sent as.
inline constexpr int MaxNesting = 32;
// Lines read per message that could open a part (they start with "--");
// what follows is shown as the text it was sent as.
inline constexpr qsizetype MaxBoundaryLines = 10 * MaxParts;
// Raw text shown where the structure ends (past MaxNesting, or a message
// that is no mail).
inline constexpr qsizetype MaxFlatBytes = 1024 * 1024;
// Bytes of one header field read and shown.
inline constexpr qsizetype MaxFieldBytes = 64 * 1024;
// Bytes of a message read for its headline in a list (sender and
// subject): its header block as far as this, each line's first
// MaxFieldBytes.
inline constexpr qsizetype MaxHeadlineBytes = 4 * MaxFieldBytes;
// Header fields read of one header block; past them only the first of
// each field the reader needs is kept.
inline constexpr qsizetype MaxHeaderFields = 1000;
// Encoded words decoded per header field.
inline constexpr qsizetype MaxEncodedWords = 1000;
// Levels of HTML elements shown with their line breaks; deeper elements
// give their text alone.
inline constexpr int MaxHtmlDepth = 64;
// Qt's document classes lay out HTML of at most this many characters,
// elements and levels (some 20 ms of work); their style selection costs
// the square of the depth, so anything larger goes through the program's
// own linear conversion.
inline constexpr qsizetype MaxLaidOutHtml = 64 * 1024;
inline constexpr qsizetype MaxLaidOutElements = 4000;
inline constexpr int MaxLaidOutHtmlDepth = 32;
// Bytes scanned by one step of stepwise rendering.
inline constexpr qsizetype StepBytes = 256 * 1024;
