#pragma once

#include <QByteArrayView>

// Every reply of the SMTP service, once.
namespace SmtpReply {
inline constexpr QByteArrayView Greeting = "220 Larkspur Ver1.1 Ready\r\n";
inline constexpr QByteArrayView ServiceClosing = "421 Service closing transmission channel\r\n";
inline constexpr QByteArrayView Ok = "250 OK\r\n";
inline constexpr QByteArrayView SyntaxError = "501 Syntax error in prameters or arguments\r\n";
inline constexpr QByteArrayView StartMailInput = "354 send the mail data, end with .\r\n";
inline constexpr QByteArrayView BadSequence = "503 Bad sequence of commands, HELO required\r\n";
inline constexpr QByteArrayView Help =
    "214 Available Command; DATA,HELO,HELP,MAIL,NOOP,QUIT,RCPT,RSET,VRFY\r\n";
inline constexpr QByteArrayView Bye = "221 Service closing transmission channel\r\n";
inline constexpr QByteArrayView VerifyOk = "250 OK Anyone can be acceptable\r\n";
inline constexpr QByteArrayView NotImplemented = "502 Command not implemented.\r\n";
inline constexpr QByteArrayView LineTooLong = "500 Line too long\r\n";
inline constexpr QByteArrayView TooLarge =
    "552 Requested mail action aborted: exceeded storage allocation\r\n";
inline constexpr QByteArrayView LocalError =
    "451 Requested action aborted: local error in processing\r\n";
} // namespace SmtpReply
