#include "CommandInterpreter.h"

#include "DataCollector.h"
#include "SessionIo.h"
#include "SessionSlot.h"
#include "SmtpReplies.h"

#include <algorithm>
#include <iterator>

namespace {

bool HoldsOnlyLineEnds(const QByteArray& buffer)
{
    if (buffer.size() % 2 != 0) {
        return false;
    }
    for (qsizetype i = 0; i < buffer.size(); i += 2) {
        if (buffer[i] != '\r' || buffer[i + 1] != '\n') {
            return false;
        }
    }
    return true;
}

QByteArray VerbOf(const QByteArray& buffer)
{
    QByteArray verb = buffer.left(4).toUpper();
    while (verb.size() < 4) {
        verb.append(' ');
    }
    return verb;
}

void ReplyOk(SessionSlot&, SessionIo& io)
{
    io.SendReply(SmtpReply::Ok);
}

void HandleHelo(SessionSlot& slot, SessionIo& io)
{
    io.SendReply(SmtpReply::Ok);
    slot.FromDomain.clear();
}

void HandleData(SessionSlot& slot, SessionIo& io)
{
    if (slot.FromDomain.isEmpty()) {
        io.SendReply(SmtpReply::BadSequence);
        slot.CurCommand = SessionSlot::NoCommand;
        return;
    }
    io.SendReply(SmtpReply::StartMailInput);
    slot.StartDataMode();
}

void HandleHelp(SessionSlot&, SessionIo& io)
{
    io.SendReply(SmtpReply::Help);
}

void HandleQuit(SessionSlot& slot, SessionIo& io)
{
    io.SendReply(SmtpReply::Bye);
    io.CloseSession();
    slot.FromDomain.clear();
}

void HandleVrfy(SessionSlot&, SessionIo& io)
{
    io.SendReply(SmtpReply::VerifyOk);
}

struct CommandRow {
    QByteArrayView verb;
    void (*handler)(SessionSlot&, SessionIo&);
};

// Each handler replies; the buffer is emptied after every one of them.
constexpr CommandRow Commands[] = {
    {"HELO", HandleHelo}, {"MAIL", HandleMail}, {"RCPT", HandleRcpt}, {"DATA", HandleData},
    {"RSET", ReplyOk},    {"NOOP", ReplyOk},    {"HELP", HandleHelp}, {"QUIT", HandleQuit},
    {"VRFY", HandleVrfy},
};

} // namespace

void HandleCommand(SessionSlot& slot, SessionIo& io)
{
    if (slot.InDataMode()) {
        CollectData(slot, io);
        return;
    }
    if (HoldsOnlyLineEnds(slot.RecvBuffer)) {
        return;
    }
    slot.CurCommand = VerbOf(slot.RecvBuffer);
    const auto row = std::find_if(std::begin(Commands), std::end(Commands),
                                  [&](const CommandRow& r) { return r.verb == slot.CurCommand; });
    if (row == std::end(Commands)) {
        io.SendReply(SmtpReply::NotImplemented);
        slot.CurCommand = SessionSlot::NoCommand;
    } else {
        row->handler(slot, io);
    }
    slot.RecvBuffer.clear();
}

void HandleMail(SessionSlot& slot, SessionIo& io)
{
    slot.FromDomain.clear();
    const qsizetype from = slot.RecvBuffer.indexOf("FROM:");
    if (from >= 0) {
        slot.FromDomain = GetAddressDomain(QByteArrayView(slot.RecvBuffer).sliced(from + 5));
    }
    io.SendReply(slot.FromDomain.isEmpty() ? SmtpReply::SyntaxError : SmtpReply::Ok);
}

void HandleRcpt(SessionSlot& slot, SessionIo& io)
{
    io.SendReply(slot.RecvBuffer.contains("TO:") ? SmtpReply::Ok : SmtpReply::SyntaxError);
}

QByteArray GetAddressDomain(QByteArrayView text)
{
    QByteArray flat = text.toByteArray().replace("\r\n", "");
    const qsizetype open = flat.indexOf('<');
    const qsizetype close = flat.indexOf('>');
    QByteArray address;
    if (open >= 0 && close >= 0) {
        if (close < open) {
            return {};
        }
        address = flat.mid(open + 1, close - open - 1);
    } else if (open >= 0 || close >= 0) {
        return {};
    } else {
        qsizetype first = 0;
        qsizetype last = flat.size();
        while (first < last && flat[first] == ' ') {
            ++first;
        }
        while (last > first && flat[last - 1] == ' ') {
            --last;
        }
        address = flat.mid(first, last - first);
    }
    const qsizetype at = address.lastIndexOf('@');
    return at >= 0 ? address.mid(at + 1) : address;
}
