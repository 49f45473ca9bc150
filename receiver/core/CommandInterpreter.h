#pragma once

#include <QByteArray>
#include <QByteArrayView>

class SessionIo;
struct SessionSlot;

// The command set of one session. The whole buffer is one command: its
// first four characters are the verb, and whatever else it holds is dropped
// with it once the command is answered.
void HandleCommand(SessionSlot& slot, SessionIo& io);
void HandleMail(SessionSlot& slot, SessionIo& io);
void HandleRcpt(SessionSlot& slot, SessionIo& io);

// The domain part of a MAIL argument; empty when there is no usable address.
QByteArray GetAddressDomain(QByteArrayView text);
