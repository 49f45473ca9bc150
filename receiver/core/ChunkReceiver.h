#pragma once

#include <QByteArray>

class SessionIo;
struct SessionSlot;

// A command line may not grow past this without its line end.
inline constexpr qsizetype MaxCommandBytes = 64 * 1024;

// One chunk of received bytes: appended to the buffer, and the interpreter
// runs when the buffer gains a line end (also one split between chunks).
void ReceiveChunk(SessionSlot& slot, const QByteArray& chunk, SessionIo& io);
