#include "SmtpSession.h"

#include "SmtpReplies.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace {

constexpr QByteArrayView LineEnd = "\r\n";

// Bytes of input that may be dropped while its line end has not come: all
// but a CR at the very end, which may be the first half of it.
qsizetype DroppableWithoutLineEnd(QByteArrayView input)
{
    return input.size() - (input.endsWith('\r') ? 1 : 0);
}

QByteArray VerbOf(QByteArrayView line)
{
    QByteArray verb = line.first(std::min<qsizetype>(4, line.size())).toByteArray().toUpper();
    while (verb.size() < 4) {
        verb.append(' ');
    }
    return verb;
}

} // namespace

struct SmtpSession::CommandRow {
    QByteArrayView verb;
    void (SmtpSession::*handler)(QByteArrayView line);
};

// Each handler replies to its line (QUIT included).
const SmtpSession::CommandRow SmtpSession::Commands[] = {
    {"HELO", &SmtpSession::HandleHelo}, {"MAIL", &SmtpSession::HandleMail}, {"RCPT", &SmtpSession::HandleRcpt},
    {"DATA", &SmtpSession::HandleData}, {"RSET", &SmtpSession::ReplyOk},    {"NOOP", &SmtpSession::ReplyOk},
    {"HELP", &SmtpSession::HandleHelp}, {"QUIT", &SmtpSession::HandleQuit}, {"VRFY", &SmtpSession::HandleVrfy},
};

SessionOutput SmtpSession::ReceiveChunk(QByteArrayView chunk)
{
    if (session_.mode == Mode::Closed) {
        return {};
    }
    if (session_.mode == Mode::AwaitingStore) {
        session_.RecvBuffer.append(chunk);
        return {};
    }
    Continue(chunk);
    return std::exchange(output_, SessionOutput());
}

SessionOutput SmtpSession::MessageStored(bool stored)
{
    if (session_.mode != Mode::AwaitingStore) {
        return {};
    }
    Reply(stored ? SmtpReply::Ok : SmtpReply::LocalError);
    session_.mode = Mode::Command;
    Continue({});
    return std::exchange(output_, SessionOutput());
}

qsizetype SmtpSession::HeldBytes() const
{
    return session_.RecvBuffer.size() + input_.size();
}

void SmtpSession::Continue(QByteArrayView chunk)
{
    // A chunk that meets an empty buffer is handled where it lies; only what
    // is left of it is kept. Joined input is kept until the next call, as
    // the message bytes handed out may lie in it.
    input_ = std::exchange(session_.RecvBuffer, QByteArray());
    QByteArrayView input = chunk;
    if (!input_.isEmpty()) {
        input_.append(chunk);
        input = input_;
    }
    const qsizetype used = Process(input);
    if (session_.mode != Mode::Closed && used < input.size()) {
        session_.RecvBuffer = input.sliced(used).toByteArray();
    }
    if (output_.messageBytes.isEmpty()) {
        input_.clear();
    }
}

// Handles input until it runs out, the session closes, a message waits to
// be stored, or a batch of replies is full; returns how much of it was used.
qsizetype SmtpSession::Process(QByteArrayView input)
{
    qsizetype pos = 0;
    while (pos < input.size()) {
        if (output_.replies.size() >= ReplyBatchBytes) {
            output_.more = true;
            return pos;
        }
        const QByteArrayView rest = input.sliced(pos);
        qsizetype used = 0;
        switch (session_.mode) {
        case Mode::Command:
            used = TakeCommandLine(rest);
            break;
        case Mode::DiscardingLongLine:
            used = DiscardLongLine(rest);
            break;
        case Mode::Data:
            used = CollectData(rest);
            break;
        case Mode::AwaitingStore:
        case Mode::Closed:
            return pos;
        }
        if (used == 0) {
            break;
        }
        pos += used;
    }
    return pos;
}

qsizetype SmtpSession::TakeCommandLine(QByteArrayView input)
{
    const qsizetype end = input.indexOf(LineEnd, session_.lineScanned);
    if (end < 0) {
        if (DroppableWithoutLineEnd(input) >= MaxCommandBytes) {
            Reply(SmtpReply::LineTooLong);
            session_.lineScanned = 0;
            session_.mode = Mode::DiscardingLongLine;
            return DroppableWithoutLineEnd(input);
        }
        // The next chunk is appended behind this; no need to search it again.
        session_.lineScanned = std::max<qsizetype>(0, input.size() - 1);
        return 0;
    }
    session_.lineScanned = 0;
    output_.lineEnded = true;
    if (end >= MaxCommandBytes) {
        Reply(SmtpReply::LineTooLong);
    } else if (end > 0) {
        HandleCommand(input.first(end));
    }
    return end + LineEnd.size();
}

qsizetype SmtpSession::DiscardLongLine(QByteArrayView input)
{
    const qsizetype end = input.indexOf(LineEnd);
    if (end < 0) {
        return DroppableWithoutLineEnd(input);
    }
    output_.lineEnded = true;
    session_.mode = Mode::Command;
    return end + LineEnd.size();
}

qsizetype SmtpSession::CollectData(QByteArrayView input)
{
    MessageCollector& data = transaction_.data;
    const qsizetype used = data.Feed(input);
    output_.lineEnded = output_.lineEnded || data.LineEnded();
    // Handed out where they lie; past the size limit nothing more is.
    if (data.Oversized()) {
        output_.messageDropped = true;
        output_.messageBytes = {};
    } else {
        output_.messageBytes = input.first(used);
    }
    if (!data.Complete()) {
        return used;
    }
    if (data.Oversized()) {
        Reply(SmtpReply::TooLarge);
        session_.mode = Mode::Command;
    } else {
        output_.messageEnds = true;
        session_.mode = Mode::AwaitingStore;
    }
    return used;
}

void SmtpSession::HandleCommand(QByteArrayView line)
{
    const QByteArray verb = VerbOf(line);
    const auto row = std::find_if(std::begin(Commands), std::end(Commands),
                                  [&](const CommandRow& r) { return r.verb == verb; });
    if (row == std::end(Commands)) {
        Reply(SmtpReply::NotImplemented);
        return;
    }
    (this->*row->handler)(line);
}

void SmtpSession::HandleHelo(QByteArrayView)
{
    Reply(SmtpReply::Ok);
    transaction_.FromDomain.clear();
}

void SmtpSession::HandleMail(QByteArrayView line)
{
    transaction_.FromDomain.clear();
    const qsizetype from = line.indexOf("FROM:");
    if (from >= 0) {
        transaction_.FromDomain = GetAddressDomain(line.sliced(from + 5));
    }
    Reply(transaction_.FromDomain.isEmpty() ? SmtpReply::SyntaxError : SmtpReply::Ok);
}

void SmtpSession::HandleRcpt(QByteArrayView line)
{
    Reply(line.contains("TO:") ? SmtpReply::Ok : SmtpReply::SyntaxError);
}

void SmtpSession::HandleData(QByteArrayView)
{
    if (transaction_.FromDomain.isEmpty()) {
        Reply(SmtpReply::BadSequence);
        return;
    }
    Reply(SmtpReply::StartMailInput);
    transaction_.data.Start();
    session_.mode = Mode::Data;
}

void SmtpSession::HandleHelp(QByteArrayView)
{
    Reply(SmtpReply::Help);
}

void SmtpSession::HandleQuit(QByteArrayView)
{
    Reply(SmtpReply::Bye);
    output_.close = true;
    session_.mode = Mode::Closed;
    transaction_.FromDomain.clear();
}

void SmtpSession::HandleVrfy(QByteArrayView)
{
    Reply(SmtpReply::VerifyOk);
}

void SmtpSession::ReplyOk(QByteArrayView)
{
    Reply(SmtpReply::Ok);
}

QByteArray SmtpSession::GetAddressDomain(QByteArrayView text)
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
