#pragma once

#include <QByteArrayView>
#include <QString>

// The text a person reads of one message (LF line ends): the reader's
// header block, a blank line and the body. Text parts are transfer-decoded
// and converted from their charsets; format=flowed text is rejoined; an
// alternative shows its plain text, or its HTML as text; a calendar shows
// its events; an enclosed message is shown the same way between two rules;
// every other part is one "[添付] " line with its name, type and size.
// Whatever cannot be decoded is shown as it was sent. Empty for an empty
// message.
QString ReadableMessage(QByteArrayView message);
