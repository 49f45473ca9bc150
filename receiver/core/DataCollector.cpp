#include "DataCollector.h"

#include "CommandInterpreter.h"
#include "SessionIo.h"
#include "SessionSlot.h"
#include "SmtpReplies.h"

#include <algorithm>

namespace {

constexpr QByteArrayView EmptyMessage = ".\r\n";

// Where the text behind the message starts, or -1 while the message is not
// complete. The search resumes where the last one could no longer find a
// marker, so a message costs time linear in its size.
qsizetype FindMessageEnd(SessionSlot& slot)
{
    const QByteArray& buffer = slot.RecvBuffer;
    if (!slot.Oversized && buffer.startsWith(EmptyMessage)) {
        return EmptyMessage.size();
    }
    const qsizetype marker = buffer.indexOf(EndMarker, slot.MarkerSearchFrom);
    if (marker < 0) {
        slot.MarkerSearchFrom = std::max<qsizetype>(0, buffer.size() - (EndMarkerLength - 1));
        return -1;
    }
    return marker + EndMarkerLength;
}

} // namespace

void CollectData(SessionSlot& slot, SessionIo& io)
{
    const qsizetype end = FindMessageEnd(slot);
    if (end < 0) {
        return;
    }
    QByteArray remainder = slot.RecvBuffer.mid(end);
    if (slot.Oversized) {
        io.SendReply(SmtpReply::TooLarge);
    } else {
        io.SendReply(io.StoreMessage(slot) ? SmtpReply::Ok : SmtpReply::LocalError);
    }
    slot.RecvBuffer = std::move(remainder);
    slot.CurCommand = SessionSlot::NoCommand;
    slot.StartDataMode();
    // A command that is still incomplete waits for its line end like any other.
    if (slot.RecvBuffer.contains("\r\n")) {
        HandleCommand(slot, io);
    }
}

void LimitMessageSize(SessionSlot& slot)
{
    if (!slot.InDataMode() || (!slot.Oversized && slot.RecvBuffer.size() <= MaxMessageBytes)) {
        return;
    }
    // Keep just enough for a marker that is still arriving.
    slot.RecvBuffer = slot.RecvBuffer.right(EndMarkerLength - 1);
    slot.MarkerSearchFrom = 0;
    slot.Oversized = true;
}
