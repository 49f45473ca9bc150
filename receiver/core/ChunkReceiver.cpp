#include "ChunkReceiver.h"

#include "CommandInterpreter.h"
#include "DataCollector.h"
#include "SessionIo.h"
#include "SessionSlot.h"
#include "SmtpReplies.h"

void ReceiveChunk(SessionSlot& slot, const QByteArray& chunk, SessionIo& io)
{
    const bool completesLine =
        chunk.contains("\r\n") || (chunk.startsWith('\n') && slot.RecvBuffer.endsWith('\r'));
    slot.RecvBuffer.append(chunk);
    if (completesLine) {
        HandleCommand(slot, io);
    }
    if (slot.InDataMode()) {
        LimitMessageSize(slot);
    } else if (slot.RecvBuffer.size() >= MaxCommandBytes) {
        io.SendReply(SmtpReply::LineTooLong);
        slot.RecvBuffer.clear();
    }
}
