#pragma once

#include <QByteArrayView>

class SessionIo;
struct SessionSlot;

inline constexpr QByteArrayView EndMarker = "\r\n.\r\n";
inline constexpr int EndMarkerLength = EndMarker.size();

// A message larger than this is not kept; only enough of its tail to find
// the end marker stays in memory.
inline constexpr qsizetype MaxMessageBytes = 100 * 1024 * 1024;

// Data mode: once the end marker is in the buffer, hands the message to the
// store, replies, and goes back to command mode with whatever followed the
// marker.
void CollectData(SessionSlot& slot, SessionIo& io);

// Called after each chunk in data mode: drops an oversized message.
void LimitMessageSize(SessionSlot& slot);
